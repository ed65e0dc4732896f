#include "link/core/link.h"

#include "common/core/text.h"

namespace scandeck {

Failure Link::SendCommand(std::string_view command) {
  std::string framed(command);
  framed += '\r';
  Failure failure;
  if (!port_.write(framed, failure)) {
    if (!failure) failure = {errc::kWriteFailed, "Write failed"};
    pending_ = failure;
  } else if (watch_) {
    watch_->written(command);
  }
  return failure;
}

void Link::Send(std::string_view command) {
  const Failure failure = SendCommand(command);
  pending_.clear();
  reportOnce("Send Error : ", failure);
}

Failure Link::takePending() {
  Failure out = pending_;
  pending_.clear();
  return out;
}

void Link::reportOnce(const std::string& label, const Failure& failure) {
  if (!failure) return;
  const bool open = port_.isOpen();
  if (reported_while_open_ && *reported_while_open_ == open) return;
  reported_while_open_ = open;
  reporter_.report(EmailReport(label, failure));
}

void Link::reportPending(const std::string& label) {
  const Failure failure = takePending();
  if (failure) {
    reportOnce(label, failure);
  } else if (reported_while_open_ && *reported_while_open_ != port_.isOpen()) {
    reported_while_open_.reset();
  }
}

std::optional<std::string> TypedCommand(std::string_view typed) {
  // A pasted tab or line feed must never reach the scanner inside a command.
  std::string printable;
  for (char c : typed)
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) printable += c;
  const auto trimmed = TrimSpace(printable);
  if (trimmed.empty()) return std::nullopt;
  return ToUpperAscii(trimmed);
}

}  // namespace scandeck
