#pragma once
// The small key=value settings files beside scandeck.ini (integrations.ini,
// recording.ini): one key a line, read leniently, written whole.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scandeck {

// Larger files are not settings this program wrote.
inline constexpr std::size_t kMaxKeyValueFileBytes = 64 * 1024;

// Calls `apply` with each line's key and value (split at the first '='). CR, LF or
// both end a line: a value never holds a line break, as KeyValueText makes sure.
void ForEachKeyValue(std::string_view text, const std::function<void(std::string_view, std::string_view)>& apply);

// The whole file, or nothing when it is missing, unreadable or larger than the bound.
std::optional<std::string> ReadKeyValueFile(const std::string& path);

// "key=value\n" lines; a line break inside a value becomes a blank.
std::string KeyValueText(const std::vector<std::pair<const char*, std::string>>& lines);

// A whole decimal number within [low, high], or nothing.
std::optional<long> NumberIn(std::string_view text, long low, long high);
// "1" or "0" sets `out`; anything else leaves it.
void ReadFlag(std::string_view value, bool& out);

}  // namespace scandeck
