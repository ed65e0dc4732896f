#include "print/qt/cups_queue.h"

#ifdef SCANDECK_HAVE_CUPS
#include <cups/cups.h>
#include <dlfcn.h>

#include <cstdlib>
#include <string_view>
#endif

namespace scandeck {

#ifdef SCANDECK_HAVE_CUPS

namespace {

// Qt names an instance of a queue "queue/instance".
std::string QueueOf(const std::string& name) { return name.substr(0, name.find('/')); }

// libcups, and GnuTLS, Kerberos and Avahi behind it, are loaded at the first print
// rather than at start: some 3 MiB resident that a run without printing never uses.
struct Cups {
  decltype(&cupsGetNamedDest) getNamedDest;
  decltype(&cupsGetOption) getOption;
  decltype(&cupsFreeDests) freeDests;
  decltype(&cupsGetJobs2) getJobs2;
  decltype(&cupsFreeJobs) freeJobs;
};

const Cups* LoadCups() {
  static const std::optional<Cups> cups = []() -> std::optional<Cups> {
    void* library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return std::nullopt;
    const auto find = [library]<typename F>(F& function, const char* name) {
      function = reinterpret_cast<F>(dlsym(library, name));
      return function != nullptr;
    };
    Cups c{};
    if (find(c.getNamedDest, "cupsGetNamedDest") && find(c.getOption, "cupsGetOption") &&
        find(c.freeDests, "cupsFreeDests") && find(c.getJobs2, "cupsGetJobs2") && find(c.freeJobs, "cupsFreeJobs"))
      return c;
    return std::nullopt;
  }();
  return cups ? &*cups : nullptr;
}

}  // namespace

std::optional<QueueState> CupsQueueState(const std::string& name) {
  const Cups* cups = LoadCups();
  if (cups == nullptr) return std::nullopt;
  const std::string queue = QueueOf(name);
  const std::string instance = name.size() > queue.size() ? name.substr(queue.size() + 1) : std::string();
  cups_dest_t* dest =
      cups->getNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), instance.empty() ? nullptr : instance.c_str());
  if (dest == nullptr) return std::nullopt;
  const auto option = [cups, dest](const char* key) { return cups->getOption(key, dest->num_options, dest->options); };
  QueueState state;
  if (const char* accepting = option("printer-is-accepting-jobs")) state.accepting = std::string_view(accepting) != "false";
  if (const char* value = option("printer-state")) state.state = std::atoi(value);
  if (const char* reasons = option("printer-state-reasons")) state.reasons = reasons;
  cups->freeDests(1, dest);
  return state;
}

std::optional<CupsJob> CupsNewestJob(const std::string& name) {
  const Cups* cups = LoadCups();
  if (cups == nullptr) return std::nullopt;
  cups_job_t* jobs = nullptr;
  const int count = cups->getJobs2(CUPS_HTTP_DEFAULT, &jobs, QueueOf(name).c_str(), 1, CUPS_WHICHJOBS_ALL);
  std::optional<CupsJob> newest;
  for (int i = 0; i < count; ++i)
    if (!newest || jobs[i].id > newest->id) newest = CupsJob{jobs[i].id, static_cast<int>(jobs[i].state)};
  if (count > 0) cups->freeJobs(count, jobs);
  return newest;
}

#else

std::optional<QueueState> CupsQueueState(const std::string&) { return std::nullopt; }
std::optional<CupsJob> CupsNewestJob(const std::string&) { return std::nullopt; }

#endif

}  // namespace scandeck
