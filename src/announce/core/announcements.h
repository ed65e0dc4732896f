#pragma once
// What a listener hears without moving the focus: a talkgroup that starts, a channel
// that opens in a conventional mode, and a new value of the focused control. The
// rules live here; the window only hands over what it saw and says what comes back.
#include <string>
#include <string_view>

#include "common/core/failure.h"
#include "status/core/scanner_status.h"

namespace scandeck {

// The user's choice of what is announced.
enum class AnnounceChoice { Nothing, Talkgroups, TalkgroupsAndChannels };

inline constexpr AnnounceChoice kDefaultAnnounceChoice = AnnounceChoice::TalkgroupsAndChannels;
// Beside scandeck.ini in the working folder.
inline constexpr const char* kAnnounceFileName = "announcements.ini";

// The words the file and the settings window use for each choice.
std::string_view AnnounceChoiceWord(AnnounceChoice choice);
// The choice a file's text holds; the default for a missing, damaged or unknown file.
AnnounceChoice AnnounceChoiceFromText(std::string_view text);
AnnounceChoice ReadAnnounceChoice(const std::string& path);
Failure WriteAnnounceChoice(const std::string& path, AnnounceChoice choice);

class Announcer {
 public:
  // Announcements keep at least this far apart; what comes between waits, and a
  // newer one replaces it, so a burst of talkgroups is one announcement per gap.
  static constexpr long long kGapMs = 1000;
  // A channel is announced once its number, name and frequency have held this long
  // with the squelch open: the frequency reply follows the squelch report.
  static constexpr long long kSettleMs = 150;

  explicit Announcer(AnnounceChoice choice = kDefaultAnnounceChoice) : choice_(choice) {}
  AnnounceChoice choice() const { return choice_; }
  void setChoice(AnnounceChoice choice) { choice_ = choice; }

  // After each tick, with the status the window is about to show.
  void observe(const ScannerStatus& status, long long now_ms);
  // The focused control shows a new value of its own (its whole new name).
  void focusedValue(const std::string& text);
  // The text to say now, or empty.
  std::string take(long long now_ms);

 private:
  void queue(std::string text);

  AnnounceChoice choice_;
  bool talkgroup_active_ = false;
  std::string talkgroup_id_;
  std::string channel_;            // what the channel shows now (squelch open, conventional)
  long long channel_since_ = 0;
  std::string channel_announced_;  // the last channel said
  std::string pending_;
  bool spoken_ = false;
  long long spoken_at_ = 0;
};

}  // namespace scandeck
