// The simulated scanner's replies, read field by field at the positions the
// program's decoders use, and the way commands change what later queries report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/core/text.h"
#include "sim/core/demo_plan.h"
#include "sim/core/scanner.h"

using namespace scandeck;
using namespace scandeck::sim;

namespace {

std::vector<std::string> Ask(Scanner& scanner, std::string_view command, Millis now = Millis{0}) {
  std::vector<std::string> out;
  scanner.command(command, now, [&](std::string_view line) { out.emplace_back(line); });
  return out;
}

std::string One(Scanner& scanner, std::string_view command, Millis now = Millis{0}) {
  const auto lines = Ask(scanner, command, now);
  EXPECT_EQ(lines.size(), 1u) << command;
  return lines.empty() ? std::string() : lines.front();
}

std::string Units8(long units) { return FormatPadded(static_cast<double>(units), 8); }

}  // namespace

TEST(SimScanner, ChannelRecordCarriesEachFieldAtItsPosition) {
  Scanner scanner(1, 0.0);
  scanner.state().channels[62] = {1553250, true, false, true};
  const struct {
    int channel;
    long units;
    char trunk, delay, lockout;
  } cases[] = {
      {1, 1553250, 'F', 'N', 'F'},   // demo: delay on
      {13, 1510250, 'F', 'F', 'N'},  // demo: locked out
      {62, 1553250, 'N', 'F', 'N'},
      {300, 0, 'F', 'F', 'F'},       // empty memory
  };
  for (const auto& c : cases) {
    const std::string reply = One(scanner, "PM" + FormatPadded(c.channel, 3));
    SCOPED_TRACE(reply);
    EXPECT_EQ(Mid(reply, 1, 1), "C");
    EXPECT_EQ(NumericValue(Mid(reply, 2, 3)), c.channel);
    EXPECT_EQ(Mid(reply, 7, 8), Units8(c.units));
    EXPECT_EQ(Mid(reply, 17, 1)[0], c.trunk);
    EXPECT_EQ(Mid(reply, 20, 1)[0], c.delay);
    EXPECT_EQ(Mid(reply, 23, 1)[0], c.lockout);
    // Unread positions hold no flag letters that a misplaced reader could take for one.
    for (std::size_t pos : {5u, 6u, 15u, 16u, 18u, 19u, 21u, 22u}) {
      EXPECT_NE(reply[pos - 1], 'N') << pos;
      EXPECT_FALSE(reply[pos - 1] >= '0' && reply[pos - 1] <= '9') << pos;
    }
  }
}

TEST(SimScanner, EveryDemoChannelReadsBackAsPlanned) {
  Scanner scanner(1, 0.0);
  for (const DemoChannel& c : kDemoChannels) {
    const std::string reply = One(scanner, "PM" + FormatPadded(c.channel, 3));
    EXPECT_EQ(Mid(reply, 7, 8), Units8(c.units)) << c.channel;
    EXPECT_EQ(Mid(reply, 20, 1) == "N", c.delay) << c.channel;
    EXPECT_EQ(Mid(reply, 23, 1) == "N", c.lockout) << c.channel;
  }
}

TEST(SimScanner, TrunkRepliesServeBothReadersPositions) {
  Scanner scanner(1, 0.0);
  const std::string tb = One(scanner, "TB");
  EXPECT_EQ(Mid(tb, 1, 2), "TB");
  EXPECT_EQ(Mid(tb, 4, 1)[0], 'A' + kDemoTrunkBank - 1);
  EXPECT_EQ(Mid(tb, 6, 10), kDemoSystemText);
  EXPECT_EQ(TrimBlanks(Mid(tb, 5, 10)), TrimBlanks(kDemoSystemText));  // the ID window's reading

  for (const DemoTalkgroup& t : kDemoTalkgroups) {
    std::string query = "IC ";
    query += static_cast<char>('A' + t.id_bank - 1);
    query += static_cast<char>('0' + t.position % 10);
    const std::string ic = One(scanner, query);
    SCOPED_TRACE(ic);
    EXPECT_EQ(Mid(ic, 1, 2), "IC");
    EXPECT_EQ(Mid(ic, 4, 1)[0], 'A' + t.id_bank - 1);
    EXPECT_EQ(Mid(ic, 5, 1)[0], '0' + t.position % 10);
    EXPECT_EQ(Mid(ic, 7, 6), t.id);
    // The status display compares characters 7 to 13 with the stored six-character ID.
    EXPECT_EQ(Mid(ic, 7, 7), t.id);
    // The plain query then names the same ID channel.
    EXPECT_EQ(One(scanner, "IC"), ic);
  }
  EXPECT_EQ(static_cast<unsigned char>(One(scanner, "IC A7")[6]), 0xFE);
  EXPECT_EQ(Mid(One(scanner, "IC B9"), 7, 6), "------");  // an empty position
}

TEST(SimScanner, SettingCommandsChangeWhatQueriesReport) {
  Scanner scanner(1, 0.0);
  const struct {
    const char* set;
    const char* query;
    std::size_t first, count;
    const char* expected;
  } cases[] = {
      {"PRN", "PR", 3, 1, "N"},          {"PRF", "PR", 3, 1, "F"},
      {"DSN", "DS", 3, 1, "N"},          {"DSF", "DS", 3, 1, "F"},
      {"ATN", "AT", 3, 1, "N"},          {"ATF", "AT", 3, 1, "F"},
      {"LTN", "LT", 3, 1, "N"},          {"LTF", "LT", 3, 1, "F"},
      {"MUN", "MU", 3, 1, "N"},          {"MUF", "MU", 3, 1, "F"},
      {"MUA", "MU", 3, 1, "A"},          {"LL01180000", "LL", 3, 8, "01180000"},
      {"LU08510125", "LU", 3, 8, "08510125"}, {"SB ACJ", "SB", 3, 99, "ACJ"},
      {"SB ", "SB", 3, 99, ""},          {"IS B", "IS", 3, 99, "B"},
      {"KEY01", "MD", 3, 2, "01"},       {"KEY12", "DL", 3, 1, "F"},  // channel 1 had delay on
      {"KEY06", "LO", 3, 1, "N"},        {"MA013", "LO", 3, 1, "N"},
      {"MA007", "WI", 7, 8, "01568000"}, {"QUN", "SQ", 1, 1, "-"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(One(scanner, c.set), "OK") << c.set;
    EXPECT_EQ(Mid(One(scanner, c.query), c.first, c.count), c.expected) << c.set << " then " << c.query;
  }
}

TEST(SimScanner, AnswersNonsenseWithErrAndMisplacedCommandsWithNg) {
  Scanner scanner(1, 0.0);
  const struct {
    const char* command;
    const char* reply;
  } cases[] = {
      {"XYZ", "ERR"},     {"wi", "ERR"},       {"PM1", "ERR"},   {"PM000", "NG"},
      {"MA301", "NG"},    {"LL0118000", "ERR"}, {"LL00000100", "NG"}, {"IC K1", "ERR"},
      {"SB AZ", "ERR"},   {"KEY99", "ERR"},    {"KEY06", "NG"},  // scanning, nothing to lock out
      {"KEY08", "NG"},    {"KEY13", "OK"},     {"KEY10", "NG"},  // no service search while trunking
      {"KEY07", "NG"},    // still finding the control channel
  };
  for (const auto& c : cases) EXPECT_EQ(One(scanner, c.command), c.reply) << c.command;
}

TEST(SimScanner, KeysMoveBetweenModesAsTheRadioDoes) {
  Scanner scanner(1, 0.0);
  const struct {
    const char* key;
    Millis at;
    const char* mode;
  } steps[] = {
      {"KEY09", Millis{0}, "02"},    {"KEY07", Millis{10}, "03"},   {"KEY07", Millis{20}, "02"},
      {"KEY10", Millis{30}, "04"},   {"KEY07", Millis{40}, "05"},   {"KEY00", Millis{50}, "00"},
      {"KEY07", Millis{60}, "01"},   {"KEY13", Millis{70}, "09"},   {"MD", Millis{2000}, "17"},
      {"KEY09", Millis{2010}, "15"}, {"KEY00", Millis{2020}, "17"}, {"IC B1", Millis{2022}, "18"},
      {"KEY00", Millis{2024}, "17"}, {"IC B9", Millis{2026}, "17"},  // empty: nothing to hold
      {"KEY13", Millis{2030}, "00"},
      {"MA045", Millis{2040}, "01"},
  };
  for (const auto& s : steps) {
    Ask(scanner, s.key, s.at);
    EXPECT_EQ(Mid(One(scanner, "MD", s.at), 3, 2), s.mode) << "after " << s.key;
  }
}

TEST(SimScanner, LeavingRemoteControlSilencesIt) {
  Scanner scanner(1, 60.0);
  EXPECT_EQ(One(scanner, "QUN"), "OK");
  EXPECT_EQ(One(scanner, "KEY04H"), "OK");
  EXPECT_TRUE(Ask(scanner, "MD").empty());
  std::vector<std::string> heard;
  scanner.run(Millis{600000}, [&](std::string_view line) { heard.emplace_back(line); });
  EXPECT_TRUE(heard.empty());
}

TEST(SimScanner, AKeyPressEndsTheCallInProgressWithItsReports) {
  Scanner scanner(2, 600.0);
  for (auto command : {"QUN", "IDN", "KEY13"}) Ask(scanner, command);
  std::string started;
  Millis t{0};
  while (started.empty() && t < Millis{60000}) {
    t += Millis{100};
    scanner.run(t, [&](std::string_view line) {
      if (line.starts_with("ID S ")) started = std::string(line.substr(5));
    });
  }
  ASSERT_FALSE(started.empty());
  EXPECT_EQ(Ask(scanner, "KEY01", t), (std::vector<std::string>{"OK", "-", "ID E " + started}));
  EXPECT_EQ(One(scanner, "SQ", t), "-");
}
