#pragma once
// What the decoders saw happen on the air, as it happens, for whoever keeps a record
// of it. Comparing ScannerStatus between ticks would miss a second start of the same
// talkgroup and anything that opened and closed within one tick.
#include <string_view>

namespace scandeck {

class ActivityEvents {
 public:
  virtual ~ActivityEvents() = default;
  // `conventional`: the scanner was in a conventional mode, so the squelch belongs to
  // a channel; in trunk modes the talkgroup reports say what is heard.
  virtual void squelchOpened(bool conventional) = 0;
  virtual void squelchClosed() = 0;
  // Every frequency report, formatted as the frequency directory stores it.
  virtual void frequencyReported(std::string_view frequency_text) = 0;
  // `trunk_bank`: decimal text of the bank being tracked, empty while none is known.
  virtual void talkgroupStarted(std::string_view trunk_bank, std::string_view id) = 0;
  virtual void talkgroupEnded(std::string_view trunk_bank, std::string_view id) = 0;
};

}  // namespace scandeck
