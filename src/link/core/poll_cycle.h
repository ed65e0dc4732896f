#pragma once
// The 50 ms poll: ask for frequency, mode and delay, collect, decode.
#include <array>
#include <string_view>

#include "link/core/link.h"
#include "link/core/protocol.h"

namespace scandeck {

inline constexpr int kPollIntervalMs = 50;
inline constexpr std::array<std::string_view, 3> kPollCommands = {protocol::cmd::kFrequency, protocol::cmd::kMode,
                                                                  protocol::cmd::kDelay};

class ReplyProcessor {
 public:
  virtual ~ReplyProcessor() = default;
  // Consumes every slot 1..50 and leaves each one empty.
  virtual void ProcessReplies(ReplySlots& replies) = 0;
};

class PollCycle {
 public:
  PollCycle(Link& link, ReplyProcessor& processor) : link_(link), processor_(processor) {}

  // The timer's enabled flag is the only switch of the poll: the directory reads
  // and the data panel's test turn it off while they use the link themselves.
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }

  // One tick; does nothing while disabled.
  void MainTimer_Timer();

 private:
  Link& link_;
  ReplyProcessor& processor_;
  bool enabled_ = false;
};

}  // namespace scandeck
