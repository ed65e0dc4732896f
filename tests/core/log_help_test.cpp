// The activity log (switched off in this version): its file name, its record
// layout, and what its setup form opens on and keeps.
#include <gtest/gtest.h>

#include <vector>

#include "log/core/activity_log.h"
#include "support/fake_port.h"

using namespace scandeck;

namespace {

struct FakeLogClock : LogClock {
  LogMoment now() const override { return moment; }
  LogMoment moment{100, "12/05/99", "23:59:59", {}};
};
struct FakeLogFile : LogFile {
  Failure append(std::string_view line) override {
    lines.emplace_back(line);
    return {};
  }
  std::vector<std::string> lines;
};

LogSettings Flags(const char* digits) {
  LogSettings s;
  for (std::size_t i = 0; digits[i] && i < 9; ++i) s.Flags[i] = digits[i] - '0';
  return s;
}

TEST(ActivityLog, NamesAndRecordsInFixedColumns) {
  const struct {
    const char* file_name;
    int y, m, d;
    const char* name;
  } names[] = {{"AUTOMATIC", 1999, 12, 5, "1999dec05.log"}, {"AUTOMATIC", 2000, 1, 1, "2000jan01.log"},
               {"AUTOMATIC", 2026, 6, 30, "2026jun30.log"}, {"mine", 1999, 12, 5, "mine.log"}};
  for (const auto& c : names) {
    LogSettings s;
    s.FileName = c.file_name;
    EXPECT_EQ(LogFileName(s, c.y, c.m, c.d), c.name);
  }

  const std::string name10 = "Fire Disp.", name50(50, 'N');
  const struct {
    const char* flags;
    std::string frn;
    std::string line;
  } records[] = {
      {"0", "x", ""},  // not enabled: nothing
      {"211111111", "x", ""},
      {"1", "x", "\r\n"},  // enabled, every field clear: an empty record
      {"111111111", name10,
       "12/05/99  23:59:59  154.5500  FDP  " + name10 + std::string(32, ' ') + "04-023  POL  " + "Ten" +
           std::string(39, ' ') + "\r\n"},
      {"100001001", name50, name50 + "Ten" + std::string(39, ' ') + "\r\n"},  // a long name shifts what follows
      {"102100000", "x", "154.5500  \r\n"},  // the time flag is 2: only exactly 1 selects a field
  };
  for (const auto& c : records) {
    const LogSettings settings = Flags(c.flags);
    FakeLogClock clock;
    FakeLogFile file;
    scandeck::testing::ListReporter reporter;
    ActivityLog log(settings, clock, reporter);
    log.setFile(&file);
    log.Logging("154.5500", "FDP", c.frn, "04-023", "POL", "Ten");
    EXPECT_EQ(file.lines.empty() ? std::string() : file.lines[0], c.line) << c.flags;
    EXPECT_TRUE(reporter.messages.empty());
  }
}

}  // namespace
