#pragma once
// The lock ScanDeck holds in its working folder while it runs, so that scandeck-dir
// never writes the directory files under a running program.
#include <string>

#include "common/core/failure.h"

namespace scandeck {

inline constexpr const char* kLockFileName = "scandeck.lock";

class RunLock {
 public:
  enum class State { Unlocked, Held, Busy, Failed };

  RunLock() = default;
  ~RunLock() { release(); }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // Takes the lock of `folder` without waiting: Held, or Busy while another holds it,
  // or Failed (failure() says why, e.g. a read-only folder).
  State acquire(const std::string& folder);
  void release();
  State state() const { return state_; }
  const Failure& failure() const { return failure_; }

 private:
  int handle_ = -1;
  State state_ = State::Unlocked;
  Failure failure_;
};

// What the tool says when ScanDeck runs in the folder.
std::string LockBusyText(const std::string& folder);
// What a second ScanDeck started in the folder says before it ends.
std::string AlreadyRunningText(const std::string& folder);

}  // namespace scandeck
