#pragma once
// recording.ini beside scandeck.ini: whether and what to record from the sound
// input, in which format, where, and within which disk bounds.
#include <string>
#include <string_view>

#include "common/core/failure.h"

namespace scandeck {

inline constexpr const char* kRecordingFileName = "recording.ini";

enum class RecordWhat { All, Marked, Unnamed, Off };
enum class RecordFormat { Opus, Wav };

// Bounds of the numbers; a value outside them keeps its default.
inline constexpr int kMaxPrerollMs = 5000;
inline constexpr int kMaxHangMs = 30000;
inline constexpr int kMaxMinMs = 600000;
inline constexpr int kMaxSplitMinutes = 240;
inline constexpr long kMaxRecordingMegabytes = 100L * 1000 * 1000;  // 100 TB: past that it is a typo
inline constexpr long kMaxKeepDays = 36500;

struct RecordingSettings {
  bool record = false;
  std::string input;  // the input's description; empty is the system's default
  RecordWhat what = RecordWhat::All;
  RecordFormat format = RecordFormat::Opus;
  int prerollMs = 500;
  int hangMs = 2000;
  int minMs = 500;
  int maxMinutes = 10;
  std::string folder = "recordings";  // relative to the working folder unless absolute
  long quotaMb = 2048;                // 0: no total bound
  long keepDays = 30;                 // 0: kept whatever their age
  long minFreeMb = 500;

  bool operator==(const RecordingSettings&) const = default;
};

const char* WhatText(RecordWhat what);
const char* FormatText(RecordFormat format);  // also the files' extension

// A value that does not read as its kind keeps its default.
RecordingSettings ReadRecordingText(std::string_view text);
// A missing, unreadable or oversized file gives the defaults.
RecordingSettings ReadRecordingFile(const std::string& path);
std::string RecordingText(const RecordingSettings& settings);
Failure WriteRecordingFile(const std::string& path, const RecordingSettings& settings);

}  // namespace scandeck
