#pragma once
// Command framing and the one place that reports link failures.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/core/failure.h"
#include "common/core/reporter.h"
#include "link/core/pag_com.h"
#include "link/core/receive_path.h"

namespace scandeck {

// Told of every command that goes out on the line, whoever wrote it.
class WriteWatch {
 public:
  virtual ~WriteWatch() = default;
  virtual void written(std::string_view command) = 0;
};

class Link {
 public:
  Link(PagCom& port, Reporter& reporter) : port_(port), reporter_(reporter) {}

  PagCom& port() { return port_; }
  ReceivePath& receive() { return receive_; }
  ReplySlots& replies() { return replies_; }

  // Writes the command and one carriage return. A failure is kept as pending
  // (see takePending) and returned.
  Failure SendCommand(std::string_view command);
  void setWriteWatch(WriteWatch* watch) { watch_ = watch; }
  WriteWatch* writeWatch() const { return watch_; }
  // Returns how many replies it took (slots 1..n).
  int CollectReplies() { return receive_.collect(port_, replies_); }

  // The last failure since the previous take; cleared by taking it.
  Failure takePending();

  // Shows "<label><code>,  please email me  <address>" once; the same report is
  // held back until the port's open state changes, so a repeating timer or a
  // run of clicks on a closed port raises one message, not one per event.
  void reportOnce(const std::string& label, const Failure& failure);
  // For handlers without error handling of their own (control panel, manual sends):
  // sends and reports a failure once through the same latch as the poll.
  void Send(std::string_view command);
  // Reports the pending failure, if any, with reportOnce.
  void reportPending(const std::string& label);

 private:
  PagCom& port_;
  Reporter& reporter_;
  ReceivePath receive_;
  ReplySlots replies_{};
  Failure pending_;
  std::optional<bool> reported_while_open_;
  WriteWatch* watch_ = nullptr;
};

// Manual command box rules: trim blanks, upper-case; nullopt when nothing is left.
std::optional<std::string> TypedCommand(std::string_view typed);

}  // namespace scandeck
