// bank.dat as a damaged, truncated, overlong or foreign file: loading it, then
// saving one bank as the frequency directory window does.
//
// Input: one byte choosing the bank to save (1..10), then the file's bytes.
#include <cstdint>
#include <string>

#include "directory/core/freq_directory.h"
#include "fuzz_check.h"

using namespace scandeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int bank = data[0] % kFreqBanks + 1;
  const std::string before(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto path = fuzz::ScratchFolder() / kFreqFileName;
  fuzz::WriteWhole(path, before);

  RecordFile file;
  // Kept across inputs: every load overwrites all 300 channels.
  static FreqDirectory loaded;
  FUZZ_CHECK(!LoadFreqDirectory(path.string(), file, loaded, '.'));
  FUZZ_CHECK(fuzz::ReadWhole(path) == before);  // loading never changes the file
  for (int n = 1; n <= kFreqChannels; ++n) {
    FUZZ_CHECK(loaded[n].type.size() <= 3);
    FUZZ_CHECK(loaded[n].name.size() <= 40);
  }

  FUZZ_CHECK(!WriteBank(file, loaded, bank));
  const std::string after = fuzz::ReadWhole(path);
  const std::size_t first = static_cast<std::size_t>(bank - 1) * kChannelsPerBank * kFreqRecordLength;
  const std::size_t end = first + kChannelsPerBank * kFreqRecordLength;
  // Only the bank's own records change; a file too short for them grows by a zero gap.
  FUZZ_CHECK(after.size() == std::max(before.size(), end));
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i >= first && i < end) continue;
    FUZZ_CHECK(after[i] == (i < before.size() ? before[i] : '\0'));
  }

  // What the directory showed for the bank is what the next start-up shows.
  RecordFile again;
  static FreqDirectory reloaded;
  FUZZ_CHECK(!LoadFreqDirectory(path.string(), again, reloaded, '.'));
  for (int n = (bank - 1) * kChannelsPerBank + 1; n <= bank * kChannelsPerBank; ++n) {
    const FreqChannel& was = loaded[n];
    const FreqChannel& is = reloaded[n];
    FUZZ_CHECK(is.channel == n);
    FUZZ_CHECK(is.frequency == was.frequency);
    FUZZ_CHECK(is.type == was.type && is.name == was.name);
    FUZZ_CHECK(is.delay == was.delay && is.lockout == was.lockout && is.mode == was.mode);
  }
  return 0;
}
