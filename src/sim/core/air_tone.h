#pragma once
// What a simulated scanner's speaker plays: a tone per channel or talkgroup, so a
// recording can be told apart by its pitch alone. The tone is 400 Hz + 50 Hz × (N mod
// 30), N the digits of the talkgroup ID in a trunk mode ("400-12" is 40012), else
// the frequency in units of 100 Hz (154.4300 MHz is 1544300): 400 to 1850 Hz.
#include <string>
#include <string_view>

#include "sim/core/scanner.h"

namespace scandeck::sim {

inline double ToneHz(std::string_view digits) {
  unsigned long long n = 0;
  for (char c : digits)
    if (c >= '0' && c <= '9') n = (n * 10 + static_cast<unsigned>(c - '0')) % 30;
  return 400.0 + 50.0 * static_cast<double>(n);
}

struct OnAir {
  bool talkgroup = false;
  std::string what;  // "talkgroup 400-12 of bank 3" or "channel 154.4300"
  double hz = 0;
};

// The transmission the scanner hears now; `what` empty while its squelch is closed.
OnAir HeardNow(const Scanner& scanner);

// The tone to play at a moment: the transmission in progress, or the one the scanner
// will start within `lead`, found by running a copy of it ahead, so the audio comes
// before the reports as a real scanner's speaker comes before its serial line.
class AirTone {
 public:
  explicit AirTone(Millis lead) : lead_(lead) {}
  OnAir at(const Scanner& scanner, Millis now);

 private:
  Millis lead_;
  Millis looked_for_{-1};
  OnAir coming_;
};

}  // namespace scandeck::sim
