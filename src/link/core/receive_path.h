#pragma once
// Turns the received character stream into complete replies, one per carriage return.
#include <array>
#include <string>
#include <string_view>

#include "common/core/failure.h"
#include "link/core/pag_com.h"

namespace scandeck {

inline constexpr int kReplySlots = 50;
// Slot 0 is never used; slots 1..50 hold this tick's complete replies.
using ReplySlots = std::array<std::string, kReplySlots + 1>;

class ReceivePath {
 public:
  static constexpr std::size_t kPaneLimit = 1000;
  // Far beyond what 50 ms at any speed brings; only a flood without carriage
  // returns gets near it, and then the oldest bytes go.
  static constexpr std::size_t kBufferLimit = 64 * 1024;

  // Reads what is waiting and stores up to 50 complete replies in the slots,
  // echoing each non-empty one into the "Rx Data" pane. Replies beyond the 50th
  // stay in the buffer for the next call, which takes them even when nothing new
  // arrived. Each complete reply is stored exactly once. Returns how many replies
  // were taken out of the buffer.
  int collect(PagCom& port, ReplySlots& slots);
  // Reads what is waiting into the buffer without taking replies out of it.
  void pull(PagCom& port);
  // Calls `each` with every complete reply in the buffer, in order.
  template <typename F>
  void forEachComplete(F each) const {
    std::size_t start = 0;
    for (auto cr = buffer_.find('\r'); cr != std::string::npos; cr = buffer_.find('\r', start)) {
      each(std::string_view(buffer_).substr(start, cr - start));
      start = cr + 1;
    }
  }

  const std::string& buffer() const { return buffer_; }

  // "Rx Data": newest reply first, at most 1000 characters.
  const std::string& pane() const { return pane_; }
  void setPane(std::string text);
  void clearPane() { pane_.clear(); }

 private:
  void echo(const std::string& reply);

  std::string buffer_;
  std::string pane_;
};

}  // namespace scandeck
