// The simulated scanner: its line's pacing and faults, repeatability, the port the
// program opens on it, and the command rules the end-to-end tests do not reach.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "sim/core/scanner.h"
#include "sim/core/sim_fixture.h"
#include "support/fake_port.h"

using namespace scandeck;
using namespace scandeck::sim;
using std::chrono::milliseconds;

namespace {

SerialSettings AtSpeed(int baud) {
  SerialSettings s;
  s.baud = baud;
  return s;
}

std::vector<std::string> Lines(const std::string& bytes) { return scandeck::testing::CarriageReturnLines(bytes); }

// A simulator on a manual clock, attached at `baud`.
struct Line {
  explicit Line(SimulatorOptions options, int baud = 9600) : sim(clock, std::move(options)) { sim.attach(AtSpeed(baud)); }
  ManualClock clock;
  Simulator sim;
};

// A session as the program drives it: the sweep's switches, then trunk, with the
// three poll queries every 50 ms; returns every byte that came back, and in
// `starts` the talkgroup starts the scanner sent before the line had its say.
std::string Session(std::uint64_t seed, LinkFaults faults, std::vector<std::string>* starts = nullptr) {
  SimulatorOptions options;
  options.seed = seed;
  options.activity_per_minute = 30;
  options.faults = faults;
  Line l(options);
  l.sim.setObserver([starts](Simulator::Direction d, std::string_view line) {
    if (starts && d == Simulator::Direction::FromScanner && line.starts_with("ID S ")) starts->emplace_back(line);
  });
  l.sim.receive("QUN\rIDN\r");
  std::string stream;
  for (milliseconds t{0}; t < milliseconds{60000}; t += milliseconds{50}) {
    if (t == milliseconds{5000}) l.sim.receive("KEY13\r");
    l.sim.receive("WI\rMD\rDL\r");
    l.clock.advance(milliseconds{50});
    stream += l.sim.take();
  }
  return stream;
}

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

}  // namespace

TEST(SimLine, DeliversAtTheConfiguredSpeedAndASlowLineOwesNoMoreThanItsBuffer) {
  for (int baud : {2400, 9600, 19200}) {
    SCOPED_TRACE(baud);
    SimulatorOptions options = QuietOptions();
    options.line.baud = baud;
    Line l(options, baud);
    std::string burst;
    for (int i = 0; i < 15; ++i) burst += "PM001\r";  // 1.5 s of replies at 2400: within the buffer
    l.sim.receive(burst);
    const double char_ms = 10000.0 / baud;  // ten bits a character
    const std::size_t expected = 15 * (23 + 1);
    std::string got;
    int ms = 0;
    while (got.size() < expected && ms < 20000) {
      l.clock.advance(milliseconds{1});
      got += l.sim.take();
      ASSERT_LE(static_cast<double>(got.size()), ++ms / char_ms) << "ahead of the line at " << ms << " ms";
    }
    ASSERT_EQ(got.size(), expected);
    // Not slower either: the first command's way in, the reaction, then the replies back to back.
    EXPECT_LE(ms, expected * char_ms + 6 * char_ms + 2 + 2);
    for (const auto& line : Lines(got)) EXPECT_EQ(Mid(line, 1, 4), "C001");
  }
  SimulatorOptions slow = QuietOptions();
  slow.line.baud = 2400;  // 240 characters a second; the poll asks for 480
  Line l(slow, 2400);
  std::size_t got = 0;
  for (int tick = 0; tick < 1200; ++tick) {
    l.sim.receive("WI\rMD\rDL\r");
    l.clock.advance(milliseconds{50});
    got += l.sim.take().size();
  }
  EXPECT_GT(got, 60u * 240 * 9 / 10);
  l.clock.advance(milliseconds{10000});
  EXPECT_LE(l.sim.take().size(), 2u * 240 + 24);

  SimulatorOptions unpaced = QuietOptions();
  unpaced.pacing = false;
  Line at_once(unpaced);
  at_once.sim.receive("MD\rDL\rSB\r");
  EXPECT_EQ(Lines(at_once.sim.take()), (std::vector<std::string>{"MD00", "DLN", "SBABC"}));
}

TEST(SimLine, SameSeedSameBytesOtherSeedOtherBytes) {
  LinkFaults faults;
  faults.split_rate = 0.1;
  faults.line_feed_rate = 0.05;
  faults.noise_rate = 0.05;
  const std::string a = Session(7, faults);
  EXPECT_EQ(a, Session(7, faults));
  EXPECT_NE(a, Session(8, faults));
  // Line faults draw from their own stream: what is heard on the air does not change.
  std::vector<std::string> clean, faulty;
  Session(7, {}, &clean);
  Session(7, faults, &faulty);
  EXPECT_GT(clean.size(), 3u);
  EXPECT_EQ(clean, faulty);
}

TEST(SimLine, FaultsShowUpOnTheWire) {
  const struct {
    const char* name;
    double split, line_feed, noise;
    std::function<void(const std::vector<std::string>& reads)> check;
  } cases[] = {
      {"split", 1, 0, 0,
       [](const std::vector<std::string>& reads) {
         ASSERT_GE(reads.size(), 2u);
         EXPECT_EQ(reads[0].find('\r'), std::string::npos);
         EXPECT_EQ(reads[0] + reads[1], "MD00\r");
       }},
      {"line feed", 0, 1, 0, [](const std::vector<std::string>& reads) { EXPECT_EQ(reads, std::vector<std::string>{"MD00\r\n"}); }},
      {"noise", 0, 0, 1,
       [](const std::vector<std::string>& reads) {
         ASSERT_EQ(reads.size(), 1u);
         EXPECT_EQ(reads[0].size(), 6u);
         EXPECT_EQ(reads[0].find('\r'), 5u);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatorOptions options = QuietOptions();
    options.pacing = false;
    options.faults.split_rate = c.split;
    options.faults.line_feed_rate = c.line_feed;
    options.faults.noise_rate = c.noise;
    Line l(options);
    l.sim.receive("MD\r");
    std::vector<std::string> reads;
    for (int i = 0; i < 200; ++i) {
      if (auto bytes = l.sim.take(); !bytes.empty()) reads.push_back(bytes);
      l.clock.advance(milliseconds{1});
    }
    c.check(reads);
  }
}

TEST(SimLine, PulledCableAndWrongSpeedLetNothingThrough) {
  SimulatorOptions options = QuietOptions();
  options.faults.disconnect_after = milliseconds{1000};
  Line l(options);
  l.sim.receive("MD\r");
  l.clock.advance(milliseconds{50});
  EXPECT_EQ(l.sim.take(), "MD00\r");
  for (int i = 0; i < 60; ++i) l.sim.receive("PM001\r");  // 1.5 s of replies, cut by the pull
  l.clock.advance(milliseconds{5000});
  const std::string cut = l.sim.take();
  EXPECT_GT(cut.size(), 20u * 24);
  EXPECT_LT(cut.size(), 60u * 24);
  l.sim.receive("MD\r");
  l.clock.advance(milliseconds{100});
  EXPECT_TRUE(l.sim.take().empty());

  SimulatorOptions noisy = QuietOptions();
  noisy.activity_per_minute = 600;
  noisy.memories.squelch_reports = true;
  Line mismatched(noisy, 4800);
  mismatched.sim.receive("MD\r");
  mismatched.clock.advance(milliseconds{60000});
  const std::string garbage = mismatched.sim.take();
  EXPECT_FALSE(garbage.empty());
  EXPECT_EQ(garbage.find('\r'), std::string::npos);
  EXPECT_EQ(garbage.find("MD"), std::string::npos);
}

TEST(SimPort, OpensOnlyItsPortAndDropsWhatNobodyHears) {
  SimulatorOptions options = QuietOptions();
  options.activity_per_minute = 60;
  options.memories.squelch_reports = true;
  SimRig rig(options);
  EXPECT_FALSE(rig.open("9600,n,8,1", 2));
  EXPECT_EQ(rig.failure.code, errc::kInvalidPortNumber);
  Failure failure;
  EXPECT_FALSE(rig.port.write("MD\r", failure));
  EXPECT_EQ(failure.code, errc::kPortNotOpen);

  ASSERT_TRUE(rig.open());
  EXPECT_FALSE(rig.open());  // already open
  rig.link.SendCommand("PM001");
  rig.link.SendCommand("PM002");
  rig.advance(milliseconds{30});
  rig.pag_com.close();  // the first reply may be on the wire still
  rig.advance(milliseconds{600000});
  ASSERT_TRUE(rig.open());
  EXPECT_EQ(rig.port.waiting(), 0u);
  EXPECT_EQ(rig.port.written(), "PM001\rPM002\r");
}

TEST(SimPort, ProgramsReceivePathGetsWholeRepliesDespiteSplits) {
  SimulatorOptions options = QuietOptions(5);
  options.faults.split_rate = 0.05;
  SimRig rig(options);
  ASSERT_TRUE(rig.open());
  int w = 0, md = 0, dl = 0;
  rig.run(milliseconds{20000}, milliseconds{50}, [&] {
    for (auto command : {"WI", "MD", "DL"}) rig.link.SendCommand(command);
    rig.link.CollectReplies();
    for (auto& reply : rig.link.replies()) {
      if (reply.empty()) continue;
      if (reply.starts_with("W")) {
        ++w;
        EXPECT_EQ(reply.size(), 14u) << reply;
      } else if (reply.starts_with("MD")) {
        ++md;
        EXPECT_EQ(reply, "MD00");
      } else {
        ++dl;
        EXPECT_EQ(Mid(reply, 1, 2), "DL") << reply;
      }
      reply.clear();
    }
  });
  // Splits delay replies but lose none: all but the last few ticks' are in.
  EXPECT_GT(w, 380);
  EXPECT_LE(std::abs(w - md), 1);
  EXPECT_LE(std::abs(md - dl), 1);
}

// Each row: a command, its reply (nullptr: not checked), then a query and the part
// of its reply the command changed (empty query: none); each group on a fresh scanner.
namespace {
struct ScannerRow {
  const char* command;
  const char* reply;
  const char* query;
  std::size_t first = 0, count = 0;
  const char* expected = "";
  Millis at = Millis{0};
};
}  // namespace

TEST(SimScanner, CommandsRepliesAndWhatLaterQueriesReport) {
  using R = ScannerRow;
  const std::vector<std::vector<R>> groups = {
      {{"PRN", "OK", "PR", 3, 1, "N"}, {"PRF", "OK", "PR", 3, 1, "F"}, {"DSN", "OK", "DS", 3, 1, "N"},
       {"DSF", "OK", "DS", 3, 1, "F"}, {"ATN", "OK", "AT", 3, 1, "N"}, {"ATF", "OK", "AT", 3, 1, "F"},
       {"LTN", "OK", "LT", 3, 1, "N"}, {"LTF", "OK", "LT", 3, 1, "F"}, {"MUN", "OK", "MU", 3, 1, "N"},
       {"MUF", "OK", "MU", 3, 1, "F"}, {"MUA", "OK", "MU", 3, 1, "A"},
       {"LL01180000", "OK", "LL", 3, 8, "01180000"}, {"LU08510125", "OK", "LU", 3, 8, "08510125"},
       {"SB ACJ", "OK", "SB", 3, 99, "ACJ"}, {"SB ", "OK", "SB", 3, 99, ""}, {"IS B", "OK", "IS", 3, 99, "B"},
       {"KEY01", "OK", "MD", 3, 2, "01"}, {"KEY12", "OK", "DL", 3, 1, "F"},  // channel 1 had delay on
       {"KEY06", "OK", "LO", 3, 1, "N"}, {"MA013", "OK", "LO", 3, 1, "N"},
       {"MA007", "OK", "WI", 7, 8, "01568000"}, {"QUN", "OK", "SQ", 1, 1, "-"}},
      {{"XYZ", "ERR", ""}, {"wi", "ERR", ""}, {"PM1", "ERR", ""}, {"PM000", "NG", ""}, {"MA301", "NG", ""},
       {"LL0118000", "ERR", ""}, {"LL00000100", "NG", ""}, {"IC K1", "ERR", ""}, {"SB AZ", "ERR", ""},
       {"KEY99", "ERR", ""}, {"KEY06", "NG", ""},  // scanning, nothing to lock out
       {"KEY08", "NG", ""}, {"KEY13", "OK", ""}, {"KEY10", "NG", ""},  // no service search while trunking
       {"KEY07", "NG", ""}},                                            // still finding the control channel
      {{"KEY09", nullptr, "MD", 3, 2, "02", Millis{0}},     {"KEY07", nullptr, "MD", 3, 2, "03", Millis{10}},
       {"KEY07", nullptr, "MD", 3, 2, "02", Millis{20}},    {"KEY10", nullptr, "MD", 3, 2, "04", Millis{30}},
       {"KEY07", nullptr, "MD", 3, 2, "05", Millis{40}},    {"KEY00", nullptr, "MD", 3, 2, "00", Millis{50}},
       {"KEY07", nullptr, "MD", 3, 2, "01", Millis{60}},    {"KEY13", nullptr, "MD", 3, 2, "09", Millis{70}},
       {"MD", nullptr, "MD", 3, 2, "17", Millis{2000}},     {"KEY09", nullptr, "MD", 3, 2, "15", Millis{2010}},
       {"KEY00", nullptr, "MD", 3, 2, "17", Millis{2020}},  {"IC B1", nullptr, "MD", 3, 2, "18", Millis{2022}},
       {"KEY00", nullptr, "MD", 3, 2, "17", Millis{2024}},
       {"IC B9", nullptr, "MD", 3, 2, "17", Millis{2026}},  // empty: nothing to hold
       {"KEY13", nullptr, "MD", 3, 2, "00", Millis{2030}},  {"MA045", nullptr, "MD", 3, 2, "01", Millis{2040}}},
  };
  for (const auto& group : groups) {
    Scanner scanner(1, 0.0);
    for (const R& r : group) {
      const auto replies = Ask(scanner, r.command, r.at);
      if (r.reply) {
        EXPECT_EQ(replies, std::vector<std::string>{r.reply}) << r.command;
      }
      if (*r.query) {
        EXPECT_EQ(Mid(One(scanner, r.query, r.at), r.first, r.count), r.expected) << r.command << " then " << r.query;
      }
    }
  }
}

TEST(SimScanner, LeavingRemoteControlSilencesItAndAKeyEndsTheCallWithItsReports) {
  Scanner quiet(1, 60.0);
  EXPECT_EQ(One(quiet, "QUN"), "OK");
  EXPECT_EQ(One(quiet, "KEY04H"), "OK");
  EXPECT_TRUE(Ask(quiet, "MD").empty());
  std::vector<std::string> heard;
  quiet.run(Millis{600000}, [&](std::string_view line) { heard.emplace_back(line); });
  EXPECT_TRUE(heard.empty());

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
