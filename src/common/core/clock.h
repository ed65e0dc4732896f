#pragma once
#include <chrono>

namespace scandeck {

// Time source for anything that paces itself, so tests can drive time by hand.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::milliseconds now() const = 0;
};

class SteadyClock final : public Clock {
 public:
  std::chrono::milliseconds now() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
  }
};

class ManualClock final : public Clock {
 public:
  std::chrono::milliseconds now() const override { return now_; }
  void advance(std::chrono::milliseconds step) { now_ += step; }

 private:
  std::chrono::milliseconds now_{0};
};

}  // namespace scandeck
