#pragma once
// What CUPS says of a print queue and of the newest job of this user on it (it
// honours CUPS_SERVER). Nothing where ScanDeck was built without libcups.
#include <optional>
#include <string>

#include "print/core/print_queue.h"

namespace scandeck {

struct CupsJob {
  int id = 0;
  int state = 0;  // IPP job-state
};

std::optional<QueueState> CupsQueueState(const std::string& name);
std::optional<CupsJob> CupsNewestJob(const std::string& name);

}  // namespace scandeck
