#include "link/core/read_session.h"

#include <algorithm>

namespace scandeck {

std::vector<std::string> SplitReplyLines(std::string_view buffer, std::size_t max_lines, bool* overflow) {
  std::vector<std::string> lines;
  if (overflow) *overflow = false;
  std::size_t start = 0;
  for (std::size_t cr = buffer.find('\r'); cr != std::string_view::npos; cr = buffer.find('\r', start)) {
    if (lines.size() == max_lines) {
      if (overflow) *overflow = true;
      break;
    }
    lines.emplace_back(buffer.substr(start, cr - start));
    start = cr + 1;
  }
  return lines;
}

bool ReadLink::acquire(const void* reader) {
  if (hold_.owner && hold_.owner != reader) return false;
  hold_.owner = reader;
  poll_.setEnabled(false);
  return true;
}

void ReadLink::release(const void* reader) {
  if (hold_.owner != reader) return;
  hold_.owner = nullptr;
  poll_.setEnabled(true);
}

bool ReadLink::collect(std::string& buffer) {
  PagCom& port = link_.port();
  if (port.waiting() == 0) return false;
  const std::string input = port.readAll();
  if (input.empty()) return false;
  const std::size_t room = kReceiveBufferLimit - std::min(buffer.size(), kReceiveBufferLimit);
  buffer.append(input, 0, std::min(room, input.size()));
  return true;
}

}  // namespace scandeck
