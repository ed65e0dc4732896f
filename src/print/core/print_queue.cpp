#include "print/core/print_queue.h"

#include <sstream>

namespace scandeck {

namespace {

// The reasons worth telling the user: errors and warnings, not "none", "paused"
// (the stop itself) or the printer's reports.
std::string TellingReasons(const std::string& reasons) {
  std::string told;
  std::istringstream list(reasons);
  for (std::string r; std::getline(list, r, ',');) {
    const bool telling = r.ends_with("-error") || r.ends_with("-warning");
    if (!telling) continue;
    if (!told.empty()) told += ", ";
    told += r.substr(0, r.rfind('-'));
  }
  return told;
}

std::string Stopped(const QueueState& queue) {
  const std::string why = TellingReasons(queue.reasons);
  return why.empty() ? "the printer is stopped" : "the printer is stopped (" + why + ")";
}

}  // namespace

std::string QueueRefusal(const QueueState& queue) {
  if (!queue.accepting) return "the printer does not accept jobs";
  if (queue.state == kQueueStopped) return Stopped(queue);
  return {};
}

std::string JobFailure(std::optional<int> job_state, const QueueState& queue) {
  if (job_state == kJobAborted) return "the printer aborted the job";
  if (job_state == kJobCanceled) return "the job was canceled";
  // A job left waiting on a queue that stopped meanwhile will not come out.
  if (job_state != kJobCompleted && queue.state == kQueueStopped) return Stopped(queue);
  return {};
}

}  // namespace scandeck
