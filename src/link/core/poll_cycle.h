#pragma once
// The 50 ms poll: ask for frequency, mode and delay, collect, decode.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "link/core/link.h"
#include "link/core/protocol.h"

namespace scandeck {

inline constexpr int kPollIntervalMs = 50;
inline constexpr std::array<std::string_view, 3> kPollCommands = {protocol::cmd::kFrequency, protocol::cmd::kMode,
                                                                  protocol::cmd::kDelay};
// The reply code that answers each poll command, in the same order.
inline constexpr std::array<std::string_view, 3> kPollAnswers = {protocol::reply::kFrequency, protocol::reply::kMode,
                                                                 protocol::reply::kDelay};

// On a line slower than the poll (2400 and 4800 baud carry fewer characters than
// its replies take), writing every command every tick only queues replies in the
// scanner and the display falls seconds behind. So while the scanner is answering,
// a poll command is not written again while a copy of it is unanswered; the poll
// then runs as fast as the line carries it. After this many ticks without an
// answer the copies on the line count as lost and the command is written again:
// longer than the scanner's own backlog can grow (it drops commands it could not
// answer within about two seconds), so a late answer is never taken for a lost one.
inline constexpr int kPollRetryTicks = 50;
// The scanner is answering while a reply arrived within this many ticks; a silent
// scanner gets all three commands every tick.
inline constexpr int kAnsweringTicks = 4;

class ReplyProcessor {
 public:
  virtual ~ReplyProcessor() = default;
  // Consumes every slot 1..50 and leaves each one empty.
  virtual void ProcessReplies(ReplySlots& replies) = 0;
};

class PollCycle final : public WriteWatch {
 public:
  // Every write on the link counts, the decoders' follow-ups too: a "WI" written
  // after a squelch report is answered by the same "W" as the poll's.
  PollCycle(Link& link, ReplyProcessor& processor) : link_(link), processor_(processor) { link_.setWriteWatch(this); }
  ~PollCycle() override {
    if (link_.writeWatch() == this) link_.setWriteWatch(nullptr);
  }
  PollCycle(const PollCycle&) = delete;
  PollCycle& operator=(const PollCycle&) = delete;
  void written(std::string_view command) override;

  // The timer's enabled flag is the only switch of the poll: the directory reads
  // and the data panel's test turn it off while they use the link themselves.
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);

  // One tick; does nothing while disabled.
  void MainTimer_Timer();

  // The line was closed and opened again: no copy written before is coming back.
  void forgetCopies() {
    unanswered_ = {};
    last_reply_.reset();
    counted_ = 0;
  }

  // 0 writes every poll command every tick (for measuring the difference).
  void setPollRetry(int ticks) { retry_ticks_ = ticks; }

 private:
  Link& link_;
  ReplyProcessor& processor_;
  bool enabled_ = false;
  int retry_ticks_ = kPollRetryTicks;
  std::int64_t tick_ = 0;
  std::optional<std::int64_t> last_reply_;
  // Complete replies at the front of the receive buffer already counted as answers.
  int counted_ = 0;
  void count(std::string_view reply);
  // Per poll command: copies written and not yet answered, and the tick of its
  // last write or answer.
  std::array<int, kPollCommands.size()> unanswered_{};
  std::array<std::int64_t, kPollCommands.size()> last_seen_{};
};

}  // namespace scandeck
