#pragma once
// The talkgroup names: 10 banks of 100 entries, kept in idbank.dat.
#include <array>
#include <string>

namespace scandeck {

inline constexpr int kIdBanks = 10;
inline constexpr int kIdEntriesPerBank = 100;

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

}  // namespace scandeck
