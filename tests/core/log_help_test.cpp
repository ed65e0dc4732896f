// The activity log's names, record writer and setup
// rules on a fake clock and a fake file.
#include <gtest/gtest.h>

#include <vector>

#include "app/core/config.h"
#include "log/core/activity_log.h"
#include "support/fake_port.h"

using namespace scandeck;

namespace {

TEST(ActivityLog, AutomaticNames) {
  const struct {
    int y, m, d;
    const char* name;
  } cases[] = {{1999, 12, 5, "1999dec05"}, {2000, 1, 1, "2000jan01"}, {2026, 6, 30, "2026jun30"}};
  for (const auto& c : cases) EXPECT_EQ(AutomaticLogName(c.y, c.m, c.d), c.name);
  LogSettings s;
  s.FileName = "AUTOMATIC";
  EXPECT_EQ(LogFileName(s, 1999, 12, 5), "1999dec05.log");
  s.FileName = "mine";
  EXPECT_EQ(LogFileName(s, 1999, 12, 5), "mine.log");
}

struct FakeLogClock : LogClock {
  LogMoment now() const override { return moment; }
  LogMoment moment{0, "12/05/99", "23:59:59", {}};
};
struct FakeLogFile : LogFile {
  Failure append(std::string_view line) override {
    if (fail) return {errc::kDiskFull, "No space left on device"};
    lines.emplace_back(line);
    return {};
  }
  bool fail = false;
  std::vector<std::string> lines;
};

LogSettings Flags(const char* digits) {
  LogSettings s;
  for (std::size_t i = 0; digits[i] && i < 9; ++i) s.Flags[i] = digits[i] - '0';
  return s;
}

TEST(ActivityLog, RecordsCarryTheSelectedFieldsInFixedColumns) {
  const std::string name10 = "Fire Disp.", name50(50, 'N');
  const struct {
    const char* flags;
    std::string frn;
    std::string line;
  } cases[] = {
      {"0", "x", ""},  // not enabled: nothing
      {"211111111", "x", ""},
      {"1", "x", "\r\n"},  // enabled, every field clear: an empty record
      {"111111111", name10,
       "12/05/99  23:59:59  154.5500  FDP  " + name10 + std::string(32, ' ') + "04-023  POL  " + "Ten" +
           std::string(39, ' ') + "\r\n"},
      {"100001001", name50, name50 + "Ten" + std::string(39, ' ') + "\r\n"},  // a long name shifts what follows
      {"102100000", "x", "154.5500  \r\n"},  // the time flag is 2: only exactly 1 selects a field
  };
  for (const auto& c : cases) {
    const LogSettings settings = Flags(c.flags);
    FakeLogClock clock;
    clock.moment.seconds = 100;
    FakeLogFile file;
    scandeck::testing::ListReporter reporter;
    ActivityLog log(settings, clock, reporter);
    log.setFile(&file);
    log.Logging("154.5500", "FDP", c.frn, "04-023", "POL", "Ten");
    EXPECT_EQ(file.lines.empty() ? std::string() : file.lines[0], c.line) << c.flags;
    EXPECT_TRUE(reporter.messages.empty());
  }
}

TEST(ActivityLog, TwoSecondRuleAcrossMidnightAndFailedWrites) {
  const LogSettings settings = Flags("1");
  FakeLogClock clock;
  FakeLogFile file;
  scandeck::testing::ListReporter reporter;
  ActivityLog log(settings, clock, reporter);
  log.setFile(&file);
  const struct {
    float at;
    bool writes;
  } steps[] = {
      {1.5f, false},      // within 2 s of midnight: LastLogTime starts at 0
      {10.0f, true},      {12.0f, false}, {12.1f, true},
      {86399.0f, true},   {0.5f, true},   // just after midnight: about 86,400 s apart
  };
  std::size_t written = 0;
  for (const auto& s : steps) {
    clock.moment.seconds = s.at;
    log.Logging("", "", "", "", "", "");
    written += s.writes;
    EXPECT_EQ(file.lines.size(), written) << s.at;
  }
  file.fail = true;
  clock.moment.seconds = 100;
  log.Logging("", "", "", "", "", "");
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0],
            "Log Error after try writing the file : 61 No space left on device,  please mail me   "
            "support@scandeck.example.org  ");
  EXPECT_EQ(log.LastLogTime, 100.0f) << "a failed write still starts the 2 seconds";
  clock.moment.seconds = 101;
  log.Logging("", "", "", "", "", "");
  EXPECT_EQ(reporter.messages.size(), 1u);

  clock.moment = {200, "", "", {errc::kInvalidArgument, "Invalid procedure call or argument"}};
  file.fail = false;
  log.Logging("", "", "", "", "", "");
  ASSERT_EQ(reporter.messages.size(), 2u);
  EXPECT_TRUE(reporter.messages[1].starts_with("Log Error before writing the file : 5 Invalid procedure"));
  EXPECT_EQ(file.lines.size(), written + 1) << "the record is still written";
}

TEST(LogSetup, OpeningConfirmingAndToggling) {
  const std::string today = "2026dec06";
  const struct {
    const char* name;
    bool automatic;
    const char* box;
  } opening[] = {
      {"AUTOMATIC", true, ""}, {"2026dec06.log", true, ""}, {"2026dec05.log", false, "2026dec05.log"},
      {"", false, ""},         {"my log", false, "my log"},
  };
  for (const auto& c : opening) {
    LogSettings s = Flags("110");
    s.FileName = c.name;
    LogSetupForm form;
    form.checks[8] = true;  // a box already checked stays checked
    FillLogSetup(s, today, form);
    EXPECT_EQ(form.automatic, c.automatic) << c.name;
    EXPECT_EQ(form.FileNameBox, c.box) << c.name;
    EXPECT_EQ(form.checks, (std::array<bool, 9>{true, true, false, false, false, false, false, false, true}));
  }

  LogSettings s = Flags("0");
  LogSetupForm form;
  form.checks[0] = true;
  form.FileNameBox = " typed ";
  ConfirmLogSetup(form, s);
  ScanDeckConfig config;
  config.LogFlagsVal = s.Flags;
  config.LogFileNameVal = s.FileName;
  const std::string text = ConfigText(config);
  EXPECT_NE(text.find("[Log What]=100000000\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Logging File]= typed \r\n"), std::string::npos);
  form.automatic = true;
  ConfirmLogSetup(form, s);
  EXPECT_EQ(s.FileName, "AUTOMATIC");

  for (const char* start : {"1", "0", "7", ""}) {
    LogSettings t = Flags(start);
    const bool was = t.enabled();
    ToggleLogEnable(t);
    EXPECT_NE(t.enabled(), was) << start;
    ToggleLogEnable(t);
    EXPECT_EQ(t.enabled(), was) << start;
  }
}

}  // namespace
