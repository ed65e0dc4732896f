#pragma once
// The "now playing" line other programs are told: one template filled from what
// the scanner reports, or an idle text while nothing is heard.
#include <optional>
#include <string>
#include <string_view>

#include "status/core/scanner_status.h"

namespace scandeck {

// Longest line handed on: stream titles and overlay files stay small whatever the template.
inline constexpr std::size_t kNowPlayingMaxBytes = 256;

inline constexpr const char* kDefaultNowPlayingFormat = "{name} ({type}) {freq}";
inline constexpr const char* kDefaultIdleText = "Scanning...";

// Placeholders: {name} (talkgroup or channel name, else its ID or frequency),
// {type}, {freq}, {tgid}, {system}, {mode}.
struct NowPlayingTemplate {
  std::string format = kDefaultNowPlayingFormat;
  std::string idle = kDefaultIdleText;
  bool operator==(const NowPlayingTemplate&) const = default;
};

struct NowPlayingFields {
  std::string name, type, frequency, talkgroup, system, mode;
};

// What is heard: an active talkgroup while tracking a system, else an open squelch.
std::optional<NowPlayingFields> HeardNow(const ScannerStatus& status);

// Unknown placeholders stay as written; brackets left empty by a missing field and
// the spaces around them go, so "{name} ({type})" never ends in "()".
std::string FillTemplate(std::string_view format, const NowPlayingFields& fields);

std::string NowPlayingText(const ScannerStatus& status, const NowPlayingTemplate& text);

}  // namespace scandeck
