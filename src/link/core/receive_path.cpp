#include "link/core/receive_path.h"

namespace scandeck {

void ReceivePath::pull(PagCom& port) {
  if (port.waiting() > 0) {
    buffer_ += port.readAll();
    if (buffer_.size() > kBufferLimit) buffer_.erase(0, buffer_.size() - kBufferLimit);
  }
}

int ReceivePath::collect(PagCom& port, ReplySlots& slots) {
  pull(port);

  std::size_t start = 0;
  int slot = 1;
  while (slot <= kReplySlots) {
    const auto cr = buffer_.find('\r', start);
    if (cr == std::string::npos) break;
    slots[slot++] = buffer_.substr(start, cr - start);
    start = cr + 1;
  }
  buffer_.erase(0, start);

  for (int i = 1; i < slot; ++i)
    if (!slots[i].empty()) echo(slots[i]);
  return slot - 1;
}

void ReceivePath::echo(const std::string& reply) {
  std::string text = reply;
  text += "\r\n";
  text += pane_;
  if (text.size() > kPaneLimit) text.resize(kPaneLimit);
  pane_ = std::move(text);
}

void ReceivePath::setPane(std::string text) {
  if (text.size() > kPaneLimit) text.resize(kPaneLimit);
  pane_ = std::move(text);
}

}  // namespace scandeck
