#pragma once
// Coming back after the cable is pulled: the port that was open and failed (the
// adapter gone, the far end hung up) is tried again on a schedule until it opens,
// without blocking anything in between. A port that never opened is left to the
// setup window, as at start-up.
#include <chrono>
#include <optional>

#include "link/core/pag_com.h"

namespace scandeck {

inline constexpr std::chrono::milliseconds kReopenEvery{1000};

class PortRecovery {
 public:
  explicit PortRecovery(std::chrono::milliseconds every = kReopenEvery) : every_(every) {}
  void setInterval(std::chrono::milliseconds every) { every_ = every; }

  // One look at the port; true when it was lost and has just opened again.
  bool tick(PagCom& port, std::chrono::milliseconds now) {
    if (port.isOpen()) {
      was_open_ = true;
      next_try_.reset();
      return false;
    }
    if (!was_open_) return false;
    if (!next_try_) next_try_ = now + every_;  // the first try one interval after the loss
    if (now < *next_try_) return false;
    next_try_ = now + every_;
    Failure failure;
    return port.open(failure);
  }
  // The program closes the port itself (shut-down): nothing to come back to.
  void stop() { was_open_ = false; }

 private:
  std::chrono::milliseconds every_;
  bool was_open_ = false;
  std::optional<std::chrono::milliseconds> next_try_;
};

}  // namespace scandeck
