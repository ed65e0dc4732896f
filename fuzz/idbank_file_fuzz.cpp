// idbank.dat as a damaged, truncated, overlong or foreign file: loading it, then
// saving one ID bank as the ID directory window does.
//
// Input: one byte choosing the bank (low nibble) and ID bank (high nibble) to
// save, each 1..10, then the file's bytes.
#include <cstdint>
#include <memory>
#include <string>

#include "directory/core/id_directory.h"
#include "fuzz_check.h"

using namespace scandeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int bank = (data[0] & 0x0f) % kIdBanks + 1;
  const int id_bank = (data[0] >> 4) % kIdBanksPerBank + 1;
  const std::string before(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto path = fuzz::ScratchFolder() / kIdFileName;
  fuzz::WriteWhole(path, before);

  RecordFile file;
  // Kept across inputs (every load overwrites all 1,000 entries), and on the heap:
  // the directory is large for a stack frame and slow to build for every input.
  static const auto loaded_dir = std::make_unique<IdDirectory>();
  IdDirectory& loaded = *loaded_dir;
  FUZZ_CHECK(!LoadIdDirectory(path.string(), file, loaded));
  FUZZ_CHECK(fuzz::ReadWhole(path) == before);  // loading never changes the file

  FUZZ_CHECK(!WriteIdBank(file, loaded, bank, id_bank));
  const std::string after = fuzz::ReadWhole(path);
  const int first_entry = IdEntryIndex(id_bank, 1);
  const std::size_t first = static_cast<std::size_t>(IdRecordNumber(bank, first_entry) - 1) * kIdRecordLength;
  const std::size_t end = first + kIdsPerIdBank * kIdRecordLength;
  // Only the ID bank's own ten records change; a short file grows by a zero gap.
  FUZZ_CHECK(after.size() == std::max(before.size(), end));
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i >= first && i < end) continue;
    FUZZ_CHECK(after[i] == (i < before.size() ? before[i] : '\0'));
  }

  // The saved entries read back exactly as they were shown.
  RecordFile again;
  static const auto reloaded_dir = std::make_unique<IdDirectory>();
  const IdDirectory& reloaded = *reloaded_dir;
  FUZZ_CHECK(!LoadIdDirectory(path.string(), again, *reloaded_dir));
  for (int e = first_entry; e < first_entry + kIdsPerIdBank; ++e) {
    const IdEntry& was = loaded.at(bank, e);
    const IdEntry& is = reloaded.at(bank, e);
    FUZZ_CHECK(is.channel == was.channel && is.id == was.id && is.type == was.type);
    FUZZ_CHECK(is.name == was.name && is.lockout == was.lockout && is.mode == was.mode);
  }
  return 0;
}
