#include "status/core/status_sweep.h"

#include "link/core/protocol.h"

namespace scandeck {

Failure ResetAllStatus(Link& link) {
  for (auto command : protocol::kSweepCommands)
    if (Failure failure = link.SendCommand(command)) return failure;
  return {};
}

}  // namespace scandeck
