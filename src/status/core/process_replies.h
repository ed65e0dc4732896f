#pragma once
// Response processing: each collected reply is recognised by its leading code and
// decoded into ScannerStatus and the compact window's state; a few replies write
// follow-up queries.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/core/failure.h"
#include "common/core/reporter.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "link/core/follow_up_gate.h"
#include "link/core/link.h"
#include "link/core/poll_cycle.h"
#include "status/core/activity_events.h"
#include "status/core/compact_view.h"
#include "status/core/scanner_status.h"

namespace scandeck {

inline constexpr const char* kProcessingErrorLabel = "Main Processing Error : ";

// Failures inside a run are collected and at most one is reported at its end.
// A failing step repeats on every tick while its cause lasts (a talkgroup report
// each time a transmission starts while the trunk bank is out of range, a
// follow-up write on every tick while the port is closed), so each kind of step
// is reported the first time it fails and then stays quiet until that same step
// has succeeded once: a fixed condition arms it again, a lasting one raises a
// single message.
class ProcessingFailures {
 public:
  enum class Step : std::uint8_t { FollowUpWrite, TrunkBankLetter, IdBankLetter, DirectoryBank };

  void failed(Step step, const Failure& failure);
  void succeeded(Step step) { muted_[index(step)] = false; }
  // The last failure of the run that is to be shown, if any; starts the next run clean.
  std::optional<Failure> endRun();

 private:
  static std::size_t index(Step step) { return static_cast<std::size_t>(step); }
  std::array<bool, 4> muted_{};
  Failure pending_;
};

class StatusProcessor : public ReplyProcessor {
 public:
  // `decimal_separator` is the locale's, the one the frequency directory uses, so
  // that frequency texts compare equal.
  StatusProcessor(Link& link, Reporter& reporter, ScannerStatus& status, CompactView& compact,
                  const FreqDirectory& channels, const IdDirectory& talkgroups,
                  char decimal_separator);

  void ProcessReplies(ReplySlots& replies) override;

  // Raised by each run that changed ScannerStatus or the compact view, so the
  // windows can skip rendering when nothing moved.
  std::uint64_t changeCount() const { return change_count_; }

  // How often unanswered follow-up queries may be written again.
  void setFollowUpRetry(int runs) { follow_ups_ = FollowUpGate(runs); }

  // Who hears of squelch and talkgroup activity; nullptr for nobody.
  void setActivityEvents(ActivityEvents* events) { events_ = events; }
  // After an entry of a directory is renamed: the names and types on show follow at
  // once rather than at the scanner's next report. Writes nothing, shows no label.
  void RefreshNames();

 private:
  using Decoder = void (StatusProcessor::*)(std::string_view);
  struct Row {
    std::string_view code;  // empty: every non-empty reply
    Decoder decode;
  };
  static const std::array<Row, 20> kDispatch;

  void decode(std::string_view reply);
  void sendFollowUp(std::string_view command);
  // The directory bank named by TrunkBank; nullopt (a failure) outside 0..10.
  std::optional<int> directoryBank();

  void squelchOpen(std::string_view reply);
  void squelchClosed(std::string_view reply);
  void mode(std::string_view reply);
  void modeCopy(std::string_view reply);
  void talkgroupStart(std::string_view reply);
  void talkgroupEnd(std::string_view reply);
  void frequency(std::string_view reply);
  void trunkBank(std::string_view reply);
  void idChannel(std::string_view reply);
  void delay(std::string_view reply);
  void lockout(std::string_view reply);
  void priority(std::string_view reply);
  void dataSkip(std::string_view reply);
  void attenuator(std::string_view reply);
  void light(std::string_view reply);
  void audio(std::string_view reply);
  void lowerLimit(std::string_view reply);
  void upperLimit(std::string_view reply);
  void scanBanks(std::string_view reply);
  void idScanBanks(std::string_view reply);

  Link& link_;
  Reporter& reporter_;
  ScannerStatus& status_;
  CompactView& compact_;
  const FreqDirectory& channels_;
  const IdDirectory& talkgroups_;
  char separator_;
  ProcessingFailures failures_;
  FollowUpGate follow_ups_;
  std::uint64_t change_count_ = 0;
  ActivityEvents* events_ = nullptr;
};

}  // namespace scandeck
