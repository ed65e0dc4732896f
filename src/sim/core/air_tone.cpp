#include "sim/core/air_tone.h"

#include "common/core/text.h"

namespace scandeck::sim {

OnAir HeardNow(const Scanner& scanner) {
  const ScannerState& s = scanner.state();
  OnAir air;
  if (!s.squelch_open) return air;
  if (IsTrunkMode(s.mode)) {
    air.talkgroup = true;
    air.what = "talkgroup " + s.talkgroup + " of bank " + std::to_string(s.trunk_bank);
    air.hz = ToneHz(s.talkgroup);
  } else {
    const std::string units = std::to_string(scanner.heardUnits());
    air.what = "channel " + FrequencyTextFromUnits(std::string(8 - std::min<std::size_t>(8, units.size()), '0') + units, '.');
    air.hz = ToneHz(units);
  }
  return air;
}

OnAir AirTone::at(const Scanner& scanner, Millis now) {
  if (scanner.state().squelch_open) {
    looked_for_ = Millis{-1};
    return HeardNow(scanner);
  }
  const Millis next = scanner.nextEvent();
  if (next > now + lead_) return {};
  // A call found ahead stays found until the next event changes; silence is looked
  // at again as the window moves on (a delay's end may come before the call).
  if (looked_for_ != next || coming_.what.empty()) {
    looked_for_ = next;
    coming_ = {};
    Scanner ahead = scanner;
    const auto ignore = [](std::string_view) {};
    for (Millis t = ahead.nextEvent(); t <= now + lead_; t = ahead.nextEvent()) {
      ahead.run(t, ignore);
      if (ahead.state().squelch_open) {
        coming_ = HeardNow(ahead);
        break;
      }
    }
  }
  return coming_;
}

}  // namespace scandeck::sim
