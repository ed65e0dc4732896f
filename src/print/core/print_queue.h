#pragma once
// Whether a print queue takes a job, and what became of the job handed to it,
// from what the print system says of them (IPP values, as CUPS reports them).
#include <optional>
#include <string>

namespace scandeck {

// IPP printer-state values.
inline constexpr int kQueueIdle = 3;
inline constexpr int kQueueProcessing = 4;
inline constexpr int kQueueStopped = 5;
// IPP job-state values.
inline constexpr int kJobPending = 3;
inline constexpr int kJobCanceled = 7;
inline constexpr int kJobAborted = 8;
inline constexpr int kJobCompleted = 9;

struct QueueState {
  bool accepting = true;
  int state = kQueueIdle;
  std::string reasons;  // printer-state-reasons, comma separated
};

// Why the queue takes no job now, or an empty text: a queue that refuses jobs, or
// one that is stopped and would only hold the job.
std::string QueueRefusal(const QueueState& queue);

// Why the job just handed over failed, or an empty text: `job_state` is the job's
// IPP state (none when the job cannot be found); `queue` the queue's state since.
std::string JobFailure(std::optional<int> job_state, const QueueState& queue);

}  // namespace scandeck
