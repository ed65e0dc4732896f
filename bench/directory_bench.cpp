// Start-up loads bank.dat and idbank.dat before the main window shows: keep it well
// under a millisecond with both files full.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "common/core/text.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"

namespace {

using namespace scandeck;
namespace fs = std::filesystem;

// Two full files, every record named, in a folder of their own.
class FullFiles {
 public:
  FullFiles() {
    std::string pattern = (fs::temp_directory_path() / "directory-bench-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    auto channels = std::make_unique<FreqDirectory>();
    auto ids = std::make_unique<IdDirectory>();
    for (int n = 1; n <= kFreqChannels; ++n)
      (*channels)[n] = {n, FormatFrequencyMhz(150 + n * 0.0125, '.'), "POL", "Channel name " + std::to_string(n),
                        "=", "", "Normal", 0, 0, 0};
    for (int bank = 1; bank <= kIdBanks; ++bank)
      for (int entry = 1; entry <= kIdEntriesPerBank; ++entry)
        *ids->find(bank, entry) = {"1-1", "04-023", "FDP", "Talkgroup name " + std::to_string(entry), "", ""};
    RecordFile freq_file, id_file;
    LoadFreqDirectory(freq(), freq_file, *std::make_unique<FreqDirectory>(), '.');
    LoadIdDirectory(id(), id_file, *std::make_unique<IdDirectory>());
    for (int bank = 1; bank <= kFreqBanks; ++bank) WriteBank(freq_file, *channels, bank);
    for (int bank = 1; bank <= kIdBanks; ++bank)
      for (int id_bank = 1; id_bank <= kIdBanksPerBank; ++id_bank) WriteIdBank(id_file, *ids, bank, id_bank);
  }
  ~FullFiles() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string freq() const { return (folder_ / kFreqFileName).string(); }
  std::string id() const { return (folder_ / kIdFileName).string(); }

 private:
  fs::path folder_;
};

void BM_LoadBothDirectories(benchmark::State& state) {
  const FullFiles files;
  auto channels = std::make_unique<FreqDirectory>();
  auto ids = std::make_unique<IdDirectory>();
  for (auto _ : state) {
    RecordFile freq_file, id_file;
    benchmark::DoNotOptimize(LoadFreqDirectory(files.freq(), freq_file, *channels, ','));
    benchmark::DoNotOptimize(LoadIdDirectory(files.id(), id_file, *ids));
    benchmark::ClobberMemory();
  }
  if ((*channels)[300].name != "Channel name 300" || ids->at(10, 100).name != "Talkgroup name 100")
    state.SkipWithError("the files did not load");
}
BENCHMARK(BM_LoadBothDirectories)->Unit(benchmark::kMicrosecond);

void BM_SaveOneBankOfEach(benchmark::State& state) {
  const FullFiles files;
  auto channels = std::make_unique<FreqDirectory>();
  auto ids = std::make_unique<IdDirectory>();
  RecordFile freq_file, id_file;
  LoadFreqDirectory(files.freq(), freq_file, *channels, '.');
  LoadIdDirectory(files.id(), id_file, *ids);
  for (auto _ : state) {
    benchmark::DoNotOptimize(WriteBank(freq_file, *channels, 5));
    benchmark::DoNotOptimize(WriteIdBank(id_file, *ids, 5, 5));
  }
}
BENCHMARK(BM_SaveOneBankOfEach)->Unit(benchmark::kMicrosecond);

}  // namespace
