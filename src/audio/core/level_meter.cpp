#include "audio/core/level_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace scandeck {

namespace {
double Decibels(double fraction) {
  return fraction <= 0 ? kLevelFloorDb : std::max(kLevelFloorDb, 20.0 * std::log10(fraction));
}
}  // namespace

Level MeasureLevel(const std::int16_t* samples, std::size_t count) {
  if (count == 0) return {};
  int peak = 0;
  double sum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int s = samples[i];
    peak = std::max(peak, std::abs(s));
    sum += static_cast<double>(s) * s;
  }
  return {Decibels(peak / 32768.0), Decibels(std::sqrt(sum / static_cast<double>(count)) / 32768.0)};
}

void SilenceWatch::block(const Level& level, std::size_t samples) {
  if (!in_call_) return;
  loudest_ = std::max(loudest_, level.peakDb);
  heard_samples_ += samples;
}

std::optional<bool> SilenceWatch::callEnded() {
  if (!in_call_) return std::nullopt;
  in_call_ = false;
  if (heard_samples_ == 0) return std::nullopt;
  const bool silent = loudest_ < kSilentDb;
  if (silent == silent_) return std::nullopt;
  silent_ = silent;
  return silent;
}

}  // namespace scandeck
