#include "print/qt/cups_queue.h"

#ifdef SCANDECK_HAVE_CUPS
#include <cups/cups.h>

#include <cstdlib>
#include <string_view>
#endif

namespace scandeck {

#ifdef SCANDECK_HAVE_CUPS

namespace {

// Qt names an instance of a queue "queue/instance".
std::string QueueOf(const std::string& name) { return name.substr(0, name.find('/')); }

}  // namespace

std::optional<QueueState> CupsQueueState(const std::string& name) {
  const std::string queue = QueueOf(name);
  const std::string instance = name.size() > queue.size() ? name.substr(queue.size() + 1) : std::string();
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), instance.empty() ? nullptr : instance.c_str());
  if (dest == nullptr) return std::nullopt;
  const auto option = [dest](const char* key) { return cupsGetOption(key, dest->num_options, dest->options); };
  QueueState state;
  if (const char* accepting = option("printer-is-accepting-jobs")) state.accepting = std::string_view(accepting) != "false";
  if (const char* value = option("printer-state")) state.state = std::atoi(value);
  if (const char* reasons = option("printer-state-reasons")) state.reasons = reasons;
  cupsFreeDests(1, dest);
  return state;
}

std::optional<CupsJob> CupsNewestJob(const std::string& name) {
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, QueueOf(name).c_str(), 1, CUPS_WHICHJOBS_ALL);
  std::optional<CupsJob> newest;
  for (int i = 0; i < count; ++i)
    if (!newest || jobs[i].id > newest->id) newest = CupsJob{jobs[i].id, static_cast<int>(jobs[i].state)};
  if (count > 0) cupsFreeJobs(count, jobs);
  return newest;
}

#else

std::optional<QueueState> CupsQueueState(const std::string&) { return std::nullopt; }
std::optional<CupsJob> CupsNewestJob(const std::string&) { return std::nullopt; }

#endif

}  // namespace scandeck
