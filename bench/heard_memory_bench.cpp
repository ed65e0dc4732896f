// The Heard list after a week of busy traffic on a manual clock: a transmission
// every second, on 300 channels and on talkgroups from ten trunk banks, a quarter
// of them IDs nobody stored (an ID search hears any of 10,000). Reports the rows
// kept, how many were evicted and the bytes the list holds; timing is only shown.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "heard/core/heard_list.h"

namespace {

void BM_HeardListAfterABusyWeek(benchmark::State& state) {
  for (auto _ : state) {
    scandeck::ManualClock clock;
    scandeck::HeardList list(clock, 0);
    std::mt19937 random(7);
    const long long seconds = 7LL * 24 * 3600;
    for (long long s = 0; s < seconds; ++s) {
      if (random() % 2 == 0) {
        list.squelchOpened(true);
        char frequency[16];
        std::snprintf(frequency, sizeof frequency, "%03u.%04u", static_cast<unsigned>(150 + random() % 30), static_cast<unsigned>(random() % 10 * 25));
        list.frequencyReported(frequency);
        clock.advance(std::chrono::milliseconds{800});
        list.squelchClosed();
      } else {
        const std::string bank = std::to_string(1 + random() % 10);
        const unsigned n = random() % 4 == 0 ? random() % 10000 : random() % 100;
        const std::string id = "4" + std::to_string(n / 100) + "-" + std::to_string(n % 100);
        list.talkgroupStarted(bank, id);
        clock.advance(std::chrono::milliseconds{800});
        list.talkgroupEnded(bank, id);
      }
      clock.advance(std::chrono::milliseconds{200});
    }
    state.counters["rows"] = static_cast<double>(list.rows().size());
    state.counters["evicted"] = static_cast<double>(list.evicted());
    state.counters["bytes"] = static_cast<double>(list.memoryBytes());
  }
}
BENCHMARK(BM_HeardListAfterABusyWeek)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
