#include "log/core/activity_log.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "common/core/platform.h"
#include "log/core/month_names.h"

namespace scandeck {

namespace {
constexpr std::size_t kNameColumns = 42;

void Short(std::string& out, std::string_view text) {
  out += text;
  out += "  ";
}
void Padded(std::string& out, std::string_view text) {
  out += text;
  if (text.size() < kNameColumns) out.append(kNameColumns - text.size(), ' ');
}
}  // namespace

std::string AutomaticLogName(int year, int month, int day) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", year);
  std::string out = digits;
  out += (month >= 1 && month <= 12) ? kMonthNames[static_cast<std::size_t>(month)] : std::string_view("");
  std::snprintf(digits, sizeof digits, "%02d", day);
  return out + digits;
}

std::string LogFileName(const LogSettings& settings, int year, int month, int day) {
  const std::string base =
      settings.FileName == kAutomaticLogName ? AutomaticLogName(year, month, day) : settings.FileName;
  return base + ".log";
}

LogMoment SystemLogClock::now() const {
  LogMoment m;
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  if (t == static_cast<std::time_t>(-1) || !platform::LocalTime(t, local)) {
    m.failure = {errc::kInvalidArgument, "Invalid procedure call or argument"};
    return m;
  }
  char text[64];
  if (std::strftime(text, sizeof text, "%x", &local)) m.short_date = text;
  if (std::strftime(text, sizeof text, "%X", &local)) m.time = text;
  m.seconds = static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
  return m;
}

void ActivityLog::Logging(std::string_view fr, std::string_view frt, std::string_view frn, std::string_view ID,
                          std::string_view idt, std::string_view idn) {
  if (!settings_.enabled()) return;
  const LogMoment moment = clock_.now();
  if (std::fabs(moment.seconds - LastLogTime) <= 2.0f) return;

  if (moment.failure) reporter_.report(MailReport(kLogBeforeWriteLabel, moment.failure));
  std::string line;
  if (settings_.isSet(LogFlag::Date)) Short(line, moment.short_date);
  if (settings_.isSet(LogFlag::Time)) Short(line, moment.time);
  if (settings_.isSet(LogFlag::Frequency)) Short(line, fr);
  if (settings_.isSet(LogFlag::FreqType)) Short(line, frt);
  if (settings_.isSet(LogFlag::FreqName)) Padded(line, frn);
  if (settings_.isSet(LogFlag::Id)) Short(line, ID);
  if (settings_.isSet(LogFlag::IdType)) Short(line, idt);
  if (settings_.isSet(LogFlag::IdName)) Padded(line, idn);
  line += "\r\n";

  const Failure written =
      file_ ? file_->append(line) : Failure{errc::kBadFileName, "Bad file name or number"};
  // Advanced even after a failed write, so the next try waits its 2 seconds.
  LastLogTime = moment.seconds;
  if (written) reporter_.report(MailReport(kLogAfterWriteLabel, written));
}

void FillLogSetup(const LogSettings& settings, std::string_view today_automatic_name, LogSetupForm& form) {
  const std::string& name = settings.FileName;
  form.automatic = name == kAutomaticLogName || std::string_view(name).substr(0, 9) == today_automatic_name;
  form.FileNameBox = form.automatic ? std::string() : name;
  for (std::size_t i = 0; i < form.checks.size(); ++i)
    if (settings.isSet(static_cast<LogFlag>(i))) form.checks[i] = true;
}

void ConfirmLogSetup(const LogSetupForm& form, LogSettings& settings) {
  settings.FileName = form.automatic ? kAutomaticLogName : form.FileNameBox;
  for (std::size_t i = 0; i < form.checks.size(); ++i) settings.Flags[i] = form.checks[i] ? 1 : 0;
}

void ToggleLogEnable(LogSettings& settings) { settings.Flags[0] = settings.enabled() ? 0 : 1; }

}  // namespace scandeck
