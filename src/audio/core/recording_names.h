#pragma once
// What a call is, and where its recording goes: the day folder, the file name
// built from the time, the channel or talkgroup and its name, and the texts of
// local times. Names are made for every common file system.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "audio/core/recording_settings.h"

namespace scandeck {

enum class CallKind { Channel, Talkgroup };

struct CallKey {
  CallKind kind = CallKind::Channel;
  std::string bank;  // talkgroups: trunk bank as decimal text, empty when unknown
  std::string id;    // channels: frequency text; talkgroups: the ID as the scanner shows it
  bool operator==(const CallKey&) const = default;
};

// Texts are the program's Latin-1 bytes.
struct CallInfo {
  CallKey key;
  std::string name;    // the directory's name, empty when it holds none
  std::string type;    // the 3-letter type
  std::string system;  // the trunked system, empty for a channel
  int channel = 0;     // a channel's number in the directory (1..300), 0 when not stored
};

struct LocalStamp {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int offsetSeconds = 0;  // local time minus UTC
};
// The local time of a moment (ms since 1970), injected so tests pick the zone.
using LocalTimeFn = std::function<std::optional<LocalStamp>(std::int64_t epoch_ms)>;
std::optional<LocalStamp> SystemLocalTime(std::int64_t epoch_ms);
// The time in a zone `offset_seconds` east of UTC, whatever the system's zone.
LocalStamp FixedZoneTime(std::int64_t epoch_ms, int offset_seconds);

std::string DayFolderName(const LocalStamp& t);  // "2026-03-09"
std::string IsoTime(const LocalStamp& t);        // "2026-03-09T23:59:40+01:00"
bool IsDayFolderName(std::string_view name);
// Days since 1970-01-01 of a day folder's date; nothing when it names no date.
std::optional<long> DayNumber(std::string_view day_folder);
long DayNumber(const LocalStamp& t);

inline constexpr std::size_t kMaxNameBytes = 60;
// Latin-1 text as UTF-8 that every common file system accepts: no / \ : * ? " < > |
// (each becomes '-'), no control characters, no leading dot, no trailing dot or
// blank, at most `max_bytes` without cutting a character. Empty when nothing is left.
std::string FileNamePart(std::string_view latin1, std::size_t max_bytes = kMaxNameBytes);

// The frequency as "154.4300" (MHz, at least three integer digits).
std::string FrequencyMhzText(std::string_view frequency_text);
// "HH-MM-SS_tg-B-ID_NAME.opus" or "HH-MM-SS_ch-FFF.FFFF_NAME.opus"; þ in an ID is '-'.
std::string CallFileName(const LocalStamp& start, const CallInfo& call, RecordFormat format);
// "NAME_2.opus" for n = 2.
std::string NumberedName(const std::string& name, int n);
// `name`, or the first numbered one for which neither it nor its ".part" exists.
std::string FreeName(const std::string& folder, const std::string& name,
                     const std::function<bool(const std::string&)>& exists);

// Whether a name inside a day folder is one this program gives its recordings
// (`part`: while it is being written, with ".part" added).
bool IsRecordingName(std::string_view name, bool part = false);

}  // namespace scandeck
