#include "link/core/poll_cycle.h"

#include <algorithm>

namespace scandeck {

void PollCycle::setEnabled(bool enabled) {
  // Whoever held the link took the replies; nothing asked before counts.
  if (enabled && !enabled_) forgetCopies();
  enabled_ = enabled;
}

void PollCycle::count(std::string_view reply) {
  if (reply.empty()) return;
  last_reply_ = tick_;
  for (std::size_t i = 0; i < kPollAnswers.size(); ++i)
    if (protocol::reply::HasCode(reply, kPollAnswers[i]) && unanswered_[i] > 0) {
      --unanswered_[i];
      last_seen_[i] = tick_;
    }
}

void PollCycle::written(std::string_view command) {
  for (std::size_t i = 0; i < kPollCommands.size(); ++i)
    if (command == kPollCommands[i]) {
      ++unanswered_[i];
      last_seen_[i] = tick_;
    }
}

void PollCycle::MainTimer_Timer() {
  if (!enabled_) return;
  ++tick_;
  link_.takePending();  // only this tick's own steps count
  // What arrived since the last tick answers the copies already on the line;
  // replies are taken out only after this tick's commands are written.
  link_.receive().pull(link_.port());
  int index = 0;
  link_.receive().forEachComplete([&](std::string_view reply) {
    if (index++ >= counted_) count(reply);
  });
  counted_ = index;
  const bool answering = last_reply_ && tick_ - *last_reply_ <= kAnsweringTicks;
  for (std::size_t i = 0; i < kPollCommands.size(); ++i) {
    if (tick_ - last_seen_[i] >= retry_ticks_) unanswered_[i] = 0;  // lost on the way
    if (retry_ticks_ > 0 && answering && unanswered_[i] > 0) continue;
    link_.SendCommand(kPollCommands[i]);
  }
  // Replies that came in while the commands went out answer too, once.
  const int taken = link_.CollectReplies();
  for (int slot = counted_ + 1; slot <= taken; ++slot) count(link_.replies()[slot]);
  counted_ = std::max(0, counted_ - taken);
  link_.reportPending("MainTimer Error : ");
  processor_.ProcessReplies(link_.replies());
}

}  // namespace scandeck
