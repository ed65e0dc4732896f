#pragma once
// The talkgroup names: 10 banks of 100 entries, kept in idbank.dat.
#include <array>
#include <string>
#include <string_view>

#include "common/core/failure.h"
#include "directory/core/record_file.h"

namespace scandeck {

inline constexpr int kIdBanks = 10;
inline constexpr int kIdEntriesPerBank = 100;
inline constexpr int kIdBanksPerBank = 10;   // ID banks "A".."J" within one bank
inline constexpr int kIdsPerIdBank = 10;
inline constexpr int kIdRecords = kIdBanks * kIdEntriesPerBank;
inline constexpr std::size_t kIdRecordLength = 65;
inline constexpr const char* kIdFileName = "idbank.dat";
// Label of the start-up message when idbank.dat could not be fully opened or read:
// MailReport(kIdFileErrorLabel, failure).
inline constexpr const char* kIdFileErrorLabel = "INI ID File error : ";

struct IdEntry {
  std::string channel;  // "g-p", up to 5 characters
  std::string id;       // up to 6 characters, as the scanner reports it
  std::string type;     // 0..3 characters
  std::string name;     // 0..40 characters
  std::string lockout;  // one character as stored
  std::string mode;     // up to 10 characters
};

// Banks 1..10 × entries 1..100; index 0 of either dimension reads as an empty entry.
class IdDirectory {
 public:
  // Out-of-range indices yield a fresh empty entry, never undefined behaviour.
  const IdEntry& at(int bank, int entry) const;
  // Returns nullptr outside 1..10 × 1..100.
  IdEntry* find(int bank, int entry);

  static bool InRange(int bank, int entry) {
    return bank >= 1 && bank <= kIdBanks && entry >= 1 && entry <= kIdEntriesPerBank;
  }

 private:
  std::array<std::array<IdEntry, kIdEntriesPerBank + 1>, kIdBanks + 1> entries_{};
};

// Entry e of ID bank g, position p (each 1..10): (g − 1) × 10 + p.
constexpr int IdEntryIndex(int id_bank, int position) { return (id_bank - 1) * kIdsPerIdBank + position; }
// Record of entry (bank, entry), counted from 1: (bank − 1) × 100 + entry.
constexpr int IdRecordNumber(int bank, int entry) { return (bank - 1) * kIdEntriesPerBank + entry; }

// The 65 bytes of `entry`: every field blank-padded or cut; an empty lockout is one blank.
std::string EncodeIdRecord(const IdEntry& entry);
// One record (65 bytes; a shorter one reads as if zero-padded). Only blanks are trimmed:
// the NULs of a never-written record stay, so saving its ID bank writes them back as they were.
IdEntry DecodeIdRecord(std::string_view record);

// Start-up: opens `path` into `file` (created when missing, kept open for the run) and
// loads all 1,000 entries; records past the end of the file load as zero bytes. Loading
// goes on past any failure; the first one is returned for the start-up message and is
// empty when all went well. A file that cannot be written is still loaded (read only),
// and the failure returned says so.
Failure LoadIdDirectory(const std::string& path, RecordFile& file, IdDirectory& dir);

// Writes the ten entries of ID bank `id_bank` of `bank` to their records and touches
// nothing else; writing past the end leaves zero bytes in the gap. Either number outside
// 1..10 writes nothing and is no failure. A failed or short write, or a file opened
// read-only, is returned: the ID bank is then not saved.
Failure WriteIdBank(RecordFile& file, const IdDirectory& dir, int bank, int id_bank);

}  // namespace scandeck
