#pragma once
// The input's level, so a user can set the line-in gain, and whether a whole call
// came in silent (a loose cable, the wrong input), said once per change.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace scandeck {

// Below this a block is silence (digital zero has no logarithm).
inline constexpr double kLevelFloorDb = -120.0;
// A call whose loudest block stays below this was not heard through the input.
inline constexpr double kSilentDb = -60.0;

struct Level {
  double peakDb = kLevelFloorDb;  // dBFS: 0 is full scale
  double rmsDb = kLevelFloorDb;
};

// Peak and RMS of 16-bit samples in dBFS, never below kLevelFloorDb.
Level MeasureLevel(const std::int16_t* samples, std::size_t count);

class SilenceWatch {
 public:
  void callStarted() {
    in_call_ = true;
    loudest_ = kLevelFloorDb;
    heard_samples_ = 0;
  }
  void block(const Level& level, std::size_t samples);
  // At a call's end: true when the input became silent, false when it came back,
  // nothing when the state stayed as it was (or the call held no audio).
  std::optional<bool> callEnded();
  bool silent() const { return silent_; }

 private:
  bool in_call_ = false;
  bool silent_ = false;
  double loudest_ = kLevelFloorDb;
  std::size_t heard_samples_ = 0;
};

}  // namespace scandeck
