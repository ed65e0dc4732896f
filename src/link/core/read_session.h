#pragma once
// What a read of the scanner's memories shares with the poll: the bytes collected
// off the link, split into reply lines, the hold that stops the poll, and the wait
// for late replies.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "link/core/link.h"
#include "link/core/poll_cycle.h"

namespace scandeck {

inline constexpr int kReadTickMs = 175;
// A read holds at most this much input: enough for any read behind the poll's
// in-flight replies, small enough that a foreign device cannot exhaust memory.
inline constexpr std::size_t kReceiveBufferLimit = 64 * 1024;
// After its last request a read waits this many ticks of silence, or this many
// ticks in all, for replies still on the line before it completes without them.
inline constexpr int kSilentTicksBound = 6;
inline constexpr int kWaitTicksBound = 46;

// Complete lines of `buffer`: each carriage return ends one and is dropped, text
// after the last one is dropped. At most `max_lines`; `overflow` says whether
// more were there.
std::vector<std::string> SplitReplyLines(std::string_view buffer, std::size_t max_lines, bool* overflow = nullptr);

// Which read holds the link: two directory windows never read at once, or each
// would take the other's replies and the first to finish would restart the poll.
struct LinkHold {
  const void* owner = nullptr;
};

// The link as a directory read uses it: writes commands itself, reads the port
// directly and switches the main poll off and on.
class ReadLink {
 public:
  ReadLink(Link& link, PollCycle& poll, LinkHold& hold) : link_(link), poll_(poll), hold_(hold) {}
  Link& link() { return link_; }
  // Stops the poll for `reader`; false when another read holds the link.
  bool acquire(const void* reader);
  // Restarts the poll when `reader` held the link.
  void release(const void* reader);
  bool heldBy(const void* reader) const { return hold_.owner == reader; }
  // Appends what is waiting on the port; true when anything arrived.
  bool collect(std::string& buffer);

 private:
  Link& link_;
  PollCycle& poll_;
  LinkHold& hold_;
};

inline constexpr const char* kLinkBusyText = "Another directory window is reading from the scanner. Try again when it is done.";

// Counts the ticks a read waits for its outstanding replies.
class LateReplyWait {
 public:
  void reset() { ticks_ = silent_ = 0; }
  // One waiting tick; true when the wait is over.
  bool tick(bool anything_arrived) {
    ++ticks_;
    silent_ = anything_arrived ? 0 : silent_ + 1;
    return silent_ >= kSilentTicksBound || ticks_ >= kWaitTicksBound;
  }
  int ticks() const { return ticks_; }

 private:
  int ticks_ = 0;
  int silent_ = 0;
};

}  // namespace scandeck
