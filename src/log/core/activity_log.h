#pragma once
// The activity log: its settings, the automatic daily file name, the record writer
// and the rules of its setup window. This version keeps the log switched off:
// nothing calls Logging and no log file is opened, but the settings are kept.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/config.h"
#include "common/core/failure.h"
#include "common/core/reporter.h"

namespace scandeck {

inline constexpr const char* kAutomaticLogName = "AUTOMATIC";

// The nine flags in their "[Log What]=" digit order.
enum class LogFlag : std::size_t { Enable, Date, Time, Frequency, FreqType, FreqName, Id, IdType, IdName };

struct LogSettings {
  std::string FileName;  // LogFileNameVal: "AUTOMATIC" or a name of the user's
  LogFlags Flags{};      // LogEnableVal, DateVal, ... IDNameVal; empty until read
  // A flag counts only when it is exactly 1.
  bool isSet(LogFlag flag) const {
    const auto& value = Flags[static_cast<std::size_t>(flag)];
    return value && *value == 1;
  }
  bool enabled() const { return isSet(LogFlag::Enable); }
};

// "1999dec05" for 5 December 1999: year, month name, two-digit day.
std::string AutomaticLogName(int year, int month, int day);
// The log file's name for the settings on that date: the base name and ".log".
std::string LogFileName(const LogSettings& settings, int year, int month, int day);

// The moment a record is written, as the platform gives it.
struct LogMoment {
  float seconds = 0;       // since midnight, with fractions
  std::string short_date;  // the locale's short date
  std::string time;        // the locale's time
  Failure failure;         // the platform could not tell
};
class LogClock {
 public:
  virtual ~LogClock() = default;
  virtual LogMoment now() const = 0;
};
// The local time from the C library: the short date and time as the locale writes them.
class SystemLogClock final : public LogClock {
 public:
  LogMoment now() const override;
};

// The open log file: appends one line (its CR LF included).
class LogFile {
 public:
  virtual ~LogFile() = default;
  virtual Failure append(std::string_view line) = 0;
};

inline constexpr const char* kLogBeforeWriteLabel = "Log Error before writing the file : ";
inline constexpr const char* kLogAfterWriteLabel = "Log Error after try writing the file : ";

class ActivityLog {
 public:
  ActivityLog(const LogSettings& settings, const LogClock& clock, Reporter& reporter)
      : settings_(settings), clock_(clock), reporter_(reporter) {}

  // The file records go to; none in this version.
  void setFile(LogFile* file) { file_ = file; }

  // One record of the selected fields, unless logging is off or the last record
  // is 2 seconds old or less (either way round midnight).
  void Logging(std::string_view fr, std::string_view frt, std::string_view frn, std::string_view ID,
               std::string_view idt, std::string_view idn);

  float LastLogTime = 0;

 private:
  const LogSettings& settings_;
  const LogClock& clock_;
  Reporter& reporter_;
  LogFile* file_ = nullptr;
};

// The setup window's controls, as the rules fill and read them.
struct LogSetupForm {
  bool automatic = false;  // Option2; else Option1 "Specific Name :"
  std::string FileNameBox;
  std::array<bool, 9> checks{};  // LogEnableChk, DateChk, ... IDNameChk
};
// Opening the window over its current controls: the file-name option from the
// setting (today's automatic name counts as automatic), and the boxes of the set
// flags checked; other boxes are left as they are.
void FillLogSetup(const LogSettings& settings, std::string_view today_automatic_name, LogSetupForm& form);
// OK: the form's choices become the settings, every flag exactly 0 or 1.
void ConfirmLogSetup(const LogSetupForm& form, LogSettings& settings);
// "&Log Enable": 1 becomes 0, anything else 1.
void ToggleLogEnable(LogSettings& settings);

}  // namespace scandeck
