#include "audio/core/recording_settings.h"

#include "common/core/key_value.h"
#include "common/core/safe_write.h"

namespace scandeck {

namespace {

template <typename Int>
void Number(std::string_view value, long low, long high, Int& out) {
  if (const auto n = NumberIn(value, low, high)) out = static_cast<Int>(*n);
}

void Apply(std::string_view key, std::string_view value, RecordingSettings& s) {
  if (key == "record") ReadFlag(value, s.record);
  else if (key == "input") s.input = value;
  else if (key == "what") {
    for (const RecordWhat w : {RecordWhat::All, RecordWhat::Marked, RecordWhat::Unnamed, RecordWhat::Off})
      if (value == WhatText(w)) s.what = w;
  } else if (key == "format") {
    for (const RecordFormat f : {RecordFormat::Opus, RecordFormat::Wav})
      if (value == FormatText(f)) s.format = f;
  } else if (key == "preroll_ms") Number(value, 0, kMaxPrerollMs, s.prerollMs);
  else if (key == "hang_ms") Number(value, 0, kMaxHangMs, s.hangMs);
  else if (key == "min_ms") Number(value, 0, kMaxMinMs, s.minMs);
  else if (key == "max_minutes") Number(value, 1, kMaxSplitMinutes, s.maxMinutes);
  else if (key == "folder" && !value.empty()) s.folder = value;
  else if (key == "quota_mb") Number(value, 0, kMaxRecordingMegabytes, s.quotaMb);
  else if (key == "keep_days") Number(value, 0, kMaxKeepDays, s.keepDays);
  else if (key == "min_free_mb") Number(value, 0, kMaxRecordingMegabytes, s.minFreeMb);
}

}  // namespace

const char* WhatText(RecordWhat what) {
  switch (what) {
    case RecordWhat::All: return "all";
    case RecordWhat::Marked: return "marked";
    case RecordWhat::Unnamed: return "unnamed";
    case RecordWhat::Off: break;
  }
  return "off";
}

const char* FormatText(RecordFormat format) { return format == RecordFormat::Wav ? "wav" : "opus"; }

RecordingSettings ReadRecordingText(std::string_view text) {
  RecordingSettings settings;
  ForEachKeyValue(text, [&](std::string_view key, std::string_view value) { Apply(key, value, settings); });
  return settings;
}

RecordingSettings ReadRecordingFile(const std::string& path) {
  const auto text = ReadKeyValueFile(path);
  return text ? ReadRecordingText(*text) : RecordingSettings{};
}

std::string RecordingText(const RecordingSettings& s) {
  return KeyValueText({
      {"record", s.record ? "1" : "0"},
      {"input", s.input},
      {"what", WhatText(s.what)},
      {"format", FormatText(s.format)},
      {"preroll_ms", std::to_string(s.prerollMs)},
      {"hang_ms", std::to_string(s.hangMs)},
      {"min_ms", std::to_string(s.minMs)},
      {"max_minutes", std::to_string(s.maxMinutes)},
      {"folder", s.folder},
      {"quota_mb", std::to_string(s.quotaMb)},
      {"keep_days", std::to_string(s.keepDays)},
      {"min_free_mb", std::to_string(s.minFreeMb)},
  });
}

Failure WriteRecordingFile(const std::string& path, const RecordingSettings& settings) {
  return WriteFileAtomically(path, RecordingText(settings));
}

}  // namespace scandeck
