#include "audio/core/recording_names.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "common/core/csv.h"
#include "common/core/platform.h"
#include "common/core/text.h"

namespace scandeck {

namespace {

bool Digits(std::string_view text) {
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return !text.empty();
}

long DaysFromCivil(int year, int month, int day) {
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  return static_cast<long>(std::chrono::sys_days{date}.time_since_epoch().count());
}

}  // namespace

std::optional<LocalStamp> SystemLocalTime(std::int64_t epoch_ms) {
  const auto seconds = static_cast<std::time_t>(epoch_ms >= 0 ? epoch_ms / 1000 : (epoch_ms - 999) / 1000);
  std::tm tm{};
  if (!platform::LocalTime(seconds, tm)) return std::nullopt;
  LocalStamp t{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
  // The offset is what the local clock reads minus the moment itself, which needs no
  // tm_gmtoff (Windows has none).
  const long long local = static_cast<long long>(DaysFromCivil(t.year, t.month, t.day)) * 86400 + t.hour * 3600 +
                          t.minute * 60 + t.second;
  t.offsetSeconds = static_cast<int>(local - static_cast<long long>(seconds));
  return t;
}

LocalStamp FixedZoneTime(std::int64_t epoch_ms, int offset_seconds) {
  using namespace std::chrono;
  const auto t = sys_time<milliseconds>(milliseconds(epoch_ms) + seconds(offset_seconds));
  const auto day = floor<days>(t);
  const year_month_day date(day);
  const hh_mm_ss<milliseconds> time(t - day);
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()), offset_seconds};
}

std::string DayFolderName(const LocalStamp& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
  return text;
}

std::string IsoTime(const LocalStamp& t) {
  const int offset = t.offsetSeconds < 0 ? -t.offsetSeconds : t.offsetSeconds;
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.offsetSeconds < 0 ? '-' : '+', offset / 3600, offset / 60 % 60);
  return text;
}

std::optional<long> DayNumber(std::string_view name) {
  if (name.size() != 10 || name[4] != '-' || name[7] != '-' || !Digits(name.substr(0, 4)) ||
      !Digits(name.substr(5, 2)) || !Digits(name.substr(8, 2)))
    return std::nullopt;
  const int year = std::stoi(std::string(name.substr(0, 4)));
  const int month = std::stoi(std::string(name.substr(5, 2)));
  const int day = std::stoi(std::string(name.substr(8, 2)));
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok()) return std::nullopt;
  return DaysFromCivil(year, month, day);
}

long DayNumber(const LocalStamp& t) { return DaysFromCivil(t.year, t.month, t.day); }

bool IsDayFolderName(std::string_view name) { return DayNumber(name).has_value(); }

std::string FileNamePart(std::string_view latin1, std::size_t max_bytes) {
  std::string kept;
  for (const char ch : latin1) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;  // C0, DEL and C1 controls
    kept += std::string_view("/\\:*?\"<>|").find(ch) != std::string_view::npos ? '-' : ch;
  }
  std::string out = Latin1ToUtf8(kept);
  const auto trim = [&] {
    std::size_t first = out.find_first_not_of('.');
    out.erase(0, first == std::string::npos ? out.size() : first);
    while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
  };
  trim();
  if (out.size() > max_bytes) {
    std::size_t cut = max_bytes;
    // Never end inside a character: back up over continuation bytes to its lead byte.
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
    trim();
  }
  return out;
}

std::string FrequencyMhzText(std::string_view frequency_text) {
  std::string text(TrimBlanks(frequency_text));
  for (char& c : text)
    if (c == ',') c = '.';
  return FormatFrequencyMhz(NumericValue(text), '.');
}

std::string CallFileName(const LocalStamp& start, const CallInfo& call, RecordFormat format) {
  char time[16];
  std::snprintf(time, sizeof time, "%02d-%02d-%02d", start.hour, start.minute, start.second);
  std::string out = time;
  if (call.key.kind == CallKind::Talkgroup) {
    std::string id = call.key.id;
    for (char& c : id)
      if (c == '\xFE') c = '-';
    const std::string bank = FileNamePart(call.key.bank, 8);
    const std::string shown = FileNamePart(id, 20);
    out += "_tg-" + (bank.empty() ? std::string("0") : bank) + "-" + (shown.empty() ? std::string("0") : shown);
  } else {
    out += "_ch-" + FrequencyMhzText(call.key.id);
  }
  const std::string name = FileNamePart(call.name);
  out += "_" + (name.empty() ? std::string("unnamed") : name);
  return out + "." + FormatText(format);
}

std::string NumberedName(const std::string& name, int n) {
  std::string out = name;
  const auto dot = name.rfind('.');
  const std::size_t at = dot == std::string::npos ? out.size() : dot;
  out.insert(at, std::to_string(n));
  out.insert(at, 1, '_');
  return out;
}

std::string FreeName(const std::string& folder, const std::string& name,
                     const std::function<bool(const std::string&)>& exists) {
  const auto taken = [&](const std::string& candidate) {
    return exists(folder + "/" + candidate) || exists(folder + "/" + candidate + ".part");
  };
  if (!taken(name)) return name;
  int n = 2;
  // A day folder holds at most a few thousand calls; past that the clock is wrong.
  while (n < 100000 && taken(NumberedName(name, n))) ++n;
  return NumberedName(name, n);
}

bool IsRecordingName(std::string_view name, bool part) {
  if (part) {
    if (name.size() < 5 || name.substr(name.size() - 5) != ".part") return false;
    name.remove_suffix(5);
  }
  const auto ends = [&](std::string_view tail) {
    return name.size() > tail.size() && name.substr(name.size() - tail.size()) == tail;
  };
  if (!ends(".opus") && !ends(".wav")) return false;
  if (name.size() < 13 || name[2] != '-' || name[5] != '-' || name[8] != '_' || !Digits(name.substr(0, 2)) ||
      !Digits(name.substr(3, 2)) || !Digits(name.substr(6, 2)))
    return false;
  const auto kind = name.substr(9, 3);
  return (kind == "tg-" || kind == "ch-") && name.find('_', 12) != std::string_view::npos &&
         name.find('/') == std::string_view::npos && name.find('\\') == std::string_view::npos;
}

}  // namespace scandeck
