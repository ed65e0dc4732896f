// The Heard list: replies go in through the real decoders on a fake port, time on a
// manual clock; then naming from the list, the alert marks file and the CSV export.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <sstream>

#include "heard/core/heard_names.h"
#include "status/core/process_replies.h"
#include "support/status_rig.h"
#include "support/temp_dir.h"

using namespace scandeck;
using scandeck::testing::Slurp;
using scandeck::testing::Spit;
using scandeck::testing::TempDir;

namespace {

std::int64_t LocalEpochMs(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900, tm.tm_mon = month - 1, tm.tm_mday = day;
  tm.tm_hour = hour, tm.tm_min = minute, tm.tm_sec = second, tm.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&tm)) * 1000;
}

struct HeardRig : scandeck::testing::StatusRig {
  explicit HeardRig(std::size_t cap = HeardList::kDefaultCap) : list(clock, 0, cap) {
    processor.setActivityEvents(&list);
    list.setAlertRule([this](const HeardKey& key) { return marks.marked(key); });
  }
  // Each step is a reply line, or "wait N" seconds.
  void play(const std::vector<std::string>& steps) {
    for (const std::string& step : steps) {
      if (step == "lost") {
        list.lineLost();
        continue;
      }
      if (step.rfind("wait ", 0) == 0) {
        clock.advance(std::chrono::seconds{std::stoi(step.substr(5))});
        continue;
      }
      feed({step});
    }
  }
  // "C 155.3250 2x 8s" or "T 3/400-12 1x 6s active", one per row in row order.
  std::string rows() const {
    std::ostringstream out;
    for (const HeardRow& row : list.rows()) {
      out << (row.key.kind == HeardKind::Channel ? "C " : "T ")
          << (row.key.kind == HeardKind::Channel ? "" : row.key.bank + "/") << row.key.id << ' ' << row.hits << "x "
          << list.activeTime(row).count() / 1000 << 's' << (row.active ? " active" : "") << ';';
    }
    return out.str();
  }
  ManualClock clock;
  AlertMarks marks;
  HeardList list;
};

struct HeardTest : HeardRig, ::testing::Test {};

const std::string kW1553 = "W1020001553250";
const std::string kW4625 = "W1020004625625";

TEST(Heard, EventsBecomeRowsWithHitsAndActiveTime) {
  const struct {
    const char* name;
    std::vector<std::string> steps;
    const char* rows;
  } cases[] = {
      {"two transmissions on one channel", {"MD00", "+", kW1553, "wait 5", "-", "wait 10", "+", kW1553, "wait 3", "-", kW1553},
       "C 155.3250 2x 8s;"},
      {"active time counts from the squelch, not from the frequency report", {"MD00", "+", "wait 2", kW1553, "wait 1", "-"},
       "C 155.3250 1x 3s;"},
      {"closed before its frequency came: nothing to name it by", {"MD00", "+", "wait 2", "-", kW1553}, ""},
      {"a channel still open is active now", {"MD01", "+", kW1553, "wait 7", kW1553}, "C 155.3250 1x 7s active;"},
      {"another frequency without a close", {"MD00", "+", kW1553, "wait 2", kW4625, "wait 3", "-"},
       "C 155.3250 1x 2s;C 462.5625 1x 3s;"},
      {"a talkgroup that starts twice without ending is one activity",
       {"MD17", "TB C", "ID S 400-12", "wait 4", "ID S 400-12", "wait 2", "ID E 400-12"}, "T 3/400-12 1x 6s;"},
      {"a start of another talkgroup ends the last one", {"MD17", "TB C", "ID S 100", "wait 2", "ID S 200", "wait 3", "ID E 200", "ID E 100"},
       "T 3/100 1x 2s;T 3/200 1x 3s;"},
      {"reports before any trunk bank is known", {"MD17", "ID S 300", "wait 1", "ID E 300", "TB C", "ID S 300", "wait 1", "ID E 300"},
       "T /300 1x 1s;T 3/300 1x 1s;"},
      {"squelch in trunk modes belongs to the talkgroup", {"MD17", "TB A", "ID S 5", "+", kW1553, "wait 2", "-", "ID E 5"},
       "T 1/5 1x 2s;"},
      {"the port lost mid-transmission ends it there", {"MD17", "TB A", "ID S 5", "wait 4", "lost", "wait 9", "ID E 5"},
       "T 1/5 1x 4s;"},
      {"an end for a talkgroup not active", {"MD17", "TB A", "ID E 77", "ID S", "ID E"}, ""},
  };
  for (const auto& c : cases) {
    HeardRig fresh;
    fresh.play(c.steps);
    EXPECT_EQ(fresh.rows(), c.rows) << c.name;
  }
}

TEST_F(HeardTest, AlertsOncePerActivityOnlyForMarkedRows) {
  marks.set({HeardKind::Talkgroup, "3", "400-12"}, true);
  marks.set({HeardKind::Channel, "", "155.3250"}, true);
  play({"MD17", "TB C", "ID S 400-12", "ID S 400-12", "ID E 400-12", "ID S 400-13", "ID E 400-13", "ID S 400-12"});
  play({"MD00", "+", kW1553, kW1553, "-", "+", kW4625, "-"});
  std::vector<std::string> alerted;
  for (const HeardAlert& alert : list.takeAlerts()) alerted.push_back(alert.key.text());
  EXPECT_EQ(alerted, (std::vector<std::string>{"T\t3\t400-12", "T\t3\t400-12", "C\t\t155.3250"}));
  EXPECT_TRUE(list.takeAlerts().empty());
}

// What the recorder is told: each start and end, stamped with when it happened
// (seconds on the clock), not when the list learnt it.
TEST(Heard, ActivityWatchTellsStartsAndEndsAtTheirTimes) {
  const struct {
    const char* name;
    std::vector<std::string> steps;
    const char* told;
  } cases[] = {
      {"a squelch opening named later starts when it opened", {"MD00", "wait 1", "+", "wait 2", kW1553, "wait 4", "-"},
       "+C/155.3250@1 -C/155.3250@7 "},
      {"another frequency without a close ends one call and starts the next", {"MD00", "+", kW1553, "wait 2", kW4625, "-"},
       "+C/155.3250@0 -C/155.3250@2 +C/462.5625@2 -C/462.5625@2 "},
      {"a repeated start is no new call; the port lost ends it",
       {"MD17", "TB C", "ID S 400-12", "wait 1", "ID S 400-12", "wait 3", "lost"}, "+T3/400-12@0 -T3/400-12@4 "},
      {"closed before its frequency came: nothing", {"MD00", "+", "wait 2", "-", kW1553}, ""},
  };
  for (const auto& c : cases) {
    HeardRig rig;
    std::string told;
    const auto start = rig.clock.now();
    rig.list.setActivityWatch([&](const HeardRow& row, bool started, Millis at) {
      const HeardKey& key = row.key;
      told += std::string(started ? "+" : "-") + (key.kind == HeardKind::Channel ? "C" : "T") + key.bank + "/" + key.id +
              "@" + std::to_string((at - start).count() / 1000) + " ";
    });
    rig.play(c.steps);
    EXPECT_EQ(told, c.told) << c.name;
  }
}

struct SmallHeardTest : HeardRig, ::testing::Test {
  SmallHeardTest() : HeardRig(50) {}
};
TEST_F(SmallHeardTest, FullListEvictsTheLeastRecentlyHeardButNeverAnActiveRow) {
  play({"MD00", "+", kW1553, "MD17", "TB B"});  // the channel stays open throughout
  for (int id = 0; id < 200; ++id) play({"ID S " + std::to_string(id), "wait 1", "ID E " + std::to_string(id)});
  ASSERT_EQ(list.rows().size(), 50u);
  EXPECT_EQ(list.evicted(), 151u);
  int oldest = 1000;
  for (const HeardRow& row : list.rows())
    if (row.key.kind == HeardKind::Talkgroup) oldest = std::min(oldest, std::stoi(row.key.id));
  EXPECT_EQ(oldest, 151);
  EXPECT_NE(rows().find("C 155.3250 1x 200s active"), std::string::npos);
}

TEST_F(HeardTest, CsvHasBomHeaderCrlfQuotingAndTimesAcrossMidnight) {
  channels[7].frequency = "155.3250";
  channels[7].name = "Fire, \"North\" \xE9tage";
  channels[7].type = "FDP";
  HeardList night(clock, LocalEpochMs(2024, 3, 9, 23, 59, 30));
  processor.setActivityEvents(&night);
  play({"MD00", "wait 10", "+", kW1553, "wait 60", "-"});
  EXPECT_EQ(HeardCsv(night, channels, talkgroups),
            "\xEF\xBB\xBFKind,Channel,Frequency,Trunk bank,Talkgroup ID,Name,Type,Hits,First heard,Last heard,"
            "Active seconds,Active now\r\n"
            "Channel,7,155.3250,,,\"Fire, \"\"North\"\" \xC3\xA9tage\",FDP,1,2024-03-09 23:59:40,2024-03-10 00:00:40,60,No\r\n");
}

TEST(HeardNames, NamingWritesOnlyThatRecordAndRefusesWhatItCannot) {
  TempDir dir;
  FreqDirectory channels;
  IdDirectory talkgroups;
  RecordFile freq_file, id_file;
  Spit(dir.file("bank.dat"), std::string(300 * kFreqRecordLength, 'z'));
  ASSERT_FALSE(LoadFreqDirectory(dir.file("bank.dat"), freq_file, channels, '.'));
  ASSERT_FALSE(LoadIdDirectory(dir.file("idbank.dat"), id_file, talkgroups));
  channels[37].frequency = "155.3250";
  *talkgroups.find(3, 12) = IdEntry{"2-2", "400-12", "", "", " ", ""};
  const std::string freq_before = Slurp(dir.file("bank.dat"));
  const auto name = [&](HeardKey key, const char* type, const char* text) {
    return NameHeardEntry(key, type, text, channels, freq_file, talkgroups, id_file);
  };
  EXPECT_TRUE(name({HeardKind::Channel, "", "999.0000"}, "POL", "x")) << "not in the directory";
  EXPECT_TRUE(name({HeardKind::Talkgroup, "", "400-12"}, "POL", "x")) << "no trunk bank";
  EXPECT_TRUE(name({HeardKind::Channel, "", "155.3250"}, "XYZ", "x")) << "not a type code";
  EXPECT_EQ(Slurp(dir.file("bank.dat")), freq_before);

  ASSERT_FALSE(name({HeardKind::Channel, "", "155.3250"}, "POL", std::string(45, 'n').c_str()));
  const std::string freq_after = Slurp(dir.file("bank.dat"));
  const std::size_t record = 36 * kFreqRecordLength;
  EXPECT_EQ(freq_after.substr(0, record), freq_before.substr(0, record));
  EXPECT_EQ(freq_after.substr(record + kFreqRecordLength), freq_before.substr(record + kFreqRecordLength));
  EXPECT_EQ(freq_after.substr(record, kFreqRecordLength), EncodeFreqRecord(channels[37], 37));
  EXPECT_EQ(channels[37].name, std::string(40, 'n'));

  ASSERT_FALSE(name({HeardKind::Talkgroup, "3", "400-12"}, "FDP", "Fireground"));
  RecordFile reread;
  IdDirectory loaded;
  LoadIdDirectory(dir.file("idbank.dat"), reread, loaded);
  EXPECT_EQ(loaded.at(3, 12).name, "Fireground");
  EXPECT_EQ(loaded.at(3, 12).type, "FDP");
  EXPECT_EQ(Slurp(dir.file("idbank.dat")).size(), IdRecordNumber(3, 12) * kIdRecordLength);
}

TEST(HeardNames, AlertFileRoundTripsAndSkipsDamage) {
  TempDir dir;
  const std::string path = dir.file(kAlertFileName);
  Spit(path, "T\t3\t400-12\r\nC\t\t155.3250\nC\t9\t1.0\nX\t1\t2\nT\t3\t\nT3 400\n" + std::string(100000, 'T') +
                 "\nT\t\t77\r\n\xFF" + std::string(1, '\0') + "\x01\nT\t1\t5");
  AlertMarks marks;
  marks.Load(path);
  EXPECT_EQ(marks.size(), 4u);
  for (const HeardKey& key : {HeardKey{HeardKind::Talkgroup, "3", "400-12"}, HeardKey{HeardKind::Channel, "", "155.3250"},
                              HeardKey{HeardKind::Talkgroup, "", "77"}, HeardKey{HeardKind::Talkgroup, "1", "5"}})
    EXPECT_TRUE(marks.marked(key)) << key.text();
  marks.set({HeardKind::Talkgroup, "1", "5"}, false);
  ASSERT_FALSE(marks.Save(path));
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  EXPECT_EQ(Slurp(path), "C\t\t155.3250\r\nT\t\t77\r\nT\t3\t400-12\r\n");
  AlertMarks again;
  again.Load(dir.file("missing.dat"));
  EXPECT_EQ(again.size(), 0u);
}

}  // namespace
