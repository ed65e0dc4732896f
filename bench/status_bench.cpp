// One poll tick's collect-and-process must stay far below the 50 ms tick, and the
// decoders far above what the line can bring (1,920 characters a second at 19200).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "status/core/process_replies.h"
#include "support/fake_port.h"

namespace {

using namespace scandeck;
using scandeck::testing::FakePort;
using scandeck::testing::ListReporter;

// Full directories: every channel and talkgroup named, so the searches run their
// whole length whenever they miss.
struct Rig {
  Rig() {
    port.is_open = true;
    for (int n = 1; n <= kFreqChannels; ++n) {
      (*channels)[n].frequency = FormatFrequencyMhz(150 + n * 0.0125, '.');
      (*channels)[n].name = "Channel name " + std::to_string(n);
      (*channels)[n].type = "POL";
    }
    for (int b = 1; b <= kIdBanks; ++b)
      for (int e = 1; e <= kIdEntriesPerBank; ++e)
        *talkgroups->find(b, e) = IdEntry{"", FormatPadded(b * 1000 + e, 6), "FDP", "Talkgroup", "", ""};
  }

  void tick(const std::string& bytes) {
    port.incoming = bytes;
    port.written.clear();
    link.CollectReplies();
    processor.ProcessReplies(link.replies());
  }

  FakePort port;
  PagCom pag{port};
  ListReporter reporter;
  Link link{pag, reporter};
  ScannerStatus status;
  CompactView compact;
  std::unique_ptr<FreqDirectory> channels = std::make_unique<FreqDirectory>();
  std::unique_ptr<IdDirectory> talkgroups = std::make_unique<IdDirectory>();
  StatusProcessor processor{link, reporter, status, compact, *channels, *talkgroups, '.'};
};

std::string Framed(const std::vector<std::string>& replies) {
  std::string out;
  for (const auto& r : replies) out += r + '\r';
  return out;
}

// What one tick brings in a trunk mode: the poll's three answers, the follow-ups
// of "MD17" and a talkgroup report; the frequency is in no channel.
const std::string kTrunkTick =
    Framed({"W110 F08512625", "MD17", "DLF", "TB D METRO 800 ", "IC A1 004005", "ID S 004005"});
// A conventional tick while a channel half-way down the directory is heard.
const std::string kScanTick = Framed({"+", "W110 F01518750", "MD00", "DLN"});

void BM_PollTickTrunk(benchmark::State& state) {
  Rig rig;
  rig.tick(Framed({"TB D"}));
  for (auto _ : state) rig.tick(kTrunkTick);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTrunkTick.size()));
}
BENCHMARK(BM_PollTickTrunk);

void BM_PollTickScan(benchmark::State& state) {
  Rig rig;
  for (auto _ : state) rig.tick(kScanTick);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kScanTick.size()));
}
BENCHMARK(BM_PollTickScan);

// Fifty replies of every code, the most one tick can hold: the decoders' throughput.
void BM_DecodeThroughput(benchmark::State& state) {
  const std::vector<std::string> mix = {
      "+", "W102 F01518750", "MD17", "ID S 004005", "TB D METRO 800 ", "IC C0 \xFE" "04005",
      "DLN", "LOF", "PRN", "DSF", "ATN", "LTN", "MUF", "LL01180000", "LU01370000", "SBACEGJ",
      "ISBDF", "ID E 004005", "-", "OK", "W102 F04600000", "MD00", "MD12", "DLF", "IC A1 001001"};
  std::vector<std::string> fifty;
  for (std::size_t i = 0; fifty.size() < kReplySlots; ++i) fifty.push_back(mix[i % mix.size()]);
  const std::string bytes = Framed(fifty);
  Rig rig;
  rig.status.CenterTuningOn = true;
  for (auto _ : state) rig.tick(bytes);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeThroughput);

}  // namespace
