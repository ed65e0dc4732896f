// Importing a 5,000-row talkgroup list into a full directory: parse, match and
// preview, as the Import names window does on opening a file (goal: under 100 ms).
#include <benchmark/benchmark.h>

#include <memory>

#include "import/core/import_preview.h"

namespace {

using namespace scandeck;

void BM_ImportTalkgroupList(benchmark::State& state) {
  std::string list = "Decimal,Hex,Alpha Tag,Mode,Description,Tag,Category\r\n";
  for (int i = 0; i < 5000; ++i)
    list += std::to_string(1000 + i * 3) + ",3e8,\"TG " + std::to_string(i) + "\",D,\"Talkgroup, number " +
            std::to_string(i) + "\",Law Dispatch,County\r\n";
  auto channels = std::make_unique<FreqDirectory>();
  auto ids = std::make_unique<IdDirectory>();
  for (int b = 1; b <= kIdBanks; ++b)
    for (int e = 1; e <= kIdEntriesPerBank; ++e) ids->find(b, e)->id = std::to_string(1000 + (b * 100 + e) * 7);
  std::size_t changes = 0;
  TextSource source(list);
  for (auto _ : state) {
    const ImportPreview p = BuildPreview(source, {}, *channels, *ids);
    changes = p.changes.size();
    benchmark::DoNotOptimize(changes);
  }
  state.counters["changes"] = static_cast<double>(changes);
}
BENCHMARK(BM_ImportTalkgroupList)->Unit(benchmark::kMillisecond);

}  // namespace
