#pragma once
// The status query sweep: asks once for every setting the poll does not.
#include "common/core/failure.h"
#include "link/core/link.h"

namespace scandeck {

// Writes the sweep's thirteen queries back to back; the replies are decoded by the
// following ticks. Stops at the first write that fails and returns its failure,
// which also stays pending on the link, so the next tick reports it when the
// caller (start-up) has no report of its own.
Failure ResetAllStatus(Link& link);

}  // namespace scandeck
