#include "import/core/run_lock.h"

#include "common/core/platform.h"

namespace scandeck {

RunLock::State RunLock::acquire(const std::string& folder) {
  release();
  bool busy = false;
  int error = 0;
  const std::string path = (folder.empty() ? std::string(".") : folder) + "/" + kLockFileName;
  handle_ = platform::LockExclusive(path, busy, error);
  failure_.clear();
  if (handle_ != platform::kNoFile) return state_ = State::Held;
  if (busy) return state_ = State::Busy;
  failure_ = FailureFromErrno(error);
  return state_ = State::Failed;
}

void RunLock::release() {
  if (handle_ != platform::kNoFile) platform::CloseFile(handle_);
  handle_ = platform::kNoFile;
  state_ = State::Unlocked;
}

std::string LockBusyText(const std::string& folder) {
  return "ScanDeck is running in " + folder +
         " and holds its directories; nothing was written. Close ScanDeck and try again.";
}

std::string AlreadyRunningText(const std::string& folder) {
  return "ScanDeck is already running in " + folder +
         ". Two copies in one folder would poll the same port and overwrite each other's bank.dat, idbank.dat "
         "and scandeck.ini, so this one ends without writing anything.";
}

}  // namespace scandeck
