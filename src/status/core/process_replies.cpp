#include "status/core/process_replies.h"

#include <algorithm>

#include "common/core/text.h"
#include "link/core/protocol.h"

namespace scandeck {

namespace reply = protocol::reply;

void ProcessingFailures::failed(Step step, const Failure& failure) {
  bool& muted = muted_[index(step)];
  if (muted) return;
  muted = true;
  pending_ = failure;
}

std::optional<Failure> ProcessingFailures::endRun() {
  if (!pending_) return std::nullopt;
  Failure out = pending_;
  pending_.clear();
  return out;
}

// Table order matters: the mode row comes before the compact-window copy, so a
// mode change reaches the compact window in the same run.
const std::array<StatusProcessor::Row, 20> StatusProcessor::kDispatch = {{
    {reply::kSquelchOpen, &StatusProcessor::squelchOpen},
    {reply::kSquelchClosed, &StatusProcessor::squelchClosed},
    {reply::kMode, &StatusProcessor::mode},
    {"", &StatusProcessor::modeCopy},
    {reply::kTalkgroupStart, &StatusProcessor::talkgroupStart},
    {reply::kTalkgroupEnd, &StatusProcessor::talkgroupEnd},
    {reply::kFrequency, &StatusProcessor::frequency},
    {reply::kTrunkBank, &StatusProcessor::trunkBank},
    {reply::kIdChannel, &StatusProcessor::idChannel},
    {reply::kDelay, &StatusProcessor::delay},
    {reply::kLockout, &StatusProcessor::lockout},
    {reply::kPriority, &StatusProcessor::priority},
    {reply::kDataSkip, &StatusProcessor::dataSkip},
    {reply::kAttenuator, &StatusProcessor::attenuator},
    {reply::kLight, &StatusProcessor::light},
    {reply::kAudio, &StatusProcessor::audio},
    {reply::kLowerLimit, &StatusProcessor::lowerLimit},
    {reply::kUpperLimit, &StatusProcessor::upperLimit},
    {reply::kScanBanks, &StatusProcessor::scanBanks},
    {reply::kIdBanks, &StatusProcessor::idScanBanks},
}};

StatusProcessor::StatusProcessor(Link& link, Reporter& reporter, ScannerStatus& status,
                                 CompactView& compact, const FreqDirectory& channels,
                                 const IdDirectory& talkgroups, char decimal_separator)
    : link_(link),
      reporter_(reporter),
      status_(status),
      compact_(compact),
      channels_(channels),
      talkgroups_(talkgroups),
      separator_(decimal_separator) {}

void StatusProcessor::ProcessReplies(ReplySlots& replies) {
  follow_ups_.nextRun();
  const bool any = std::any_of(replies.begin() + 1, replies.end(),
                               [](const std::string& r) { return !r.empty(); });
  if (any) {
    const ScannerStatus status_before = status_;
    const CompactView compact_before = compact_;
    for (int slot = 1; slot <= kReplySlots; ++slot) {
      if (!replies[slot].empty()) decode(replies[slot]);
      replies[slot].clear();
    }
    if (!(status_ == status_before) || !(compact_ == compact_before)) ++change_count_;
  }
  if (auto failure = failures_.endRun()) reporter_.report(EmailReport(kProcessingErrorLabel, *failure));
}

void StatusProcessor::decode(std::string_view text) {
  follow_ups_.answered(text);
  for (const Row& row : kDispatch)
    if (reply::HasCode(text, row.code)) (this->*row.decode)(text);
}

void StatusProcessor::sendFollowUp(std::string_view command) {
  if (!follow_ups_.due(command)) return;
  const Failure failure = link_.SendCommand(command);
  if (failure) {
    // Ours to report, under our own label: keep the tick from showing it again.
    link_.takePending();
    failures_.failed(ProcessingFailures::Step::FollowUpWrite, failure);
  } else {
    follow_ups_.written(command);
    failures_.succeeded(ProcessingFailures::Step::FollowUpWrite);
  }
}

std::optional<int> StatusProcessor::directoryBank() {
  // A bank beyond "J" (or below "A") must not index the directory; bank 0 is
  // legal and simply holds nothing.
  const double bank = NumericValue(status_.TrunkBank);
  if (bank < 0 || bank > kIdBanks) {
    failures_.failed(ProcessingFailures::Step::DirectoryBank,
                     {errc::kSubscriptOutOfRange, "Subscript out of range"});
    return std::nullopt;
  }
  failures_.succeeded(ProcessingFailures::Step::DirectoryBank);
  return static_cast<int>(bank);
}

}  // namespace scandeck
