#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "directory/core/id_directory.h"
#include "support/temp_dir.h"

using namespace scandeck;
using scandeck::testing::Slurp;
using scandeck::testing::TempDir;
namespace fs = std::filesystem;

namespace {

std::string Padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

}  // namespace

TEST(IdRecord, EncodesEachFieldAtItsOffset) {
  const struct {
    IdEntry entry;
    std::string bytes;
  } cases[] = {
      {{"5-7", "04-023", "FDP", "Fire Dispatch", "", ""}, "5-7  04-023FDP" + Padded("Fire Dispatch", 40) + Padded("", 11)},
      {{"10-10", "1234567", "TRKX", std::string(45, 'n'), "XY", "="},
       "10-10123456TRK" + std::string(40, 'n') + "X" + Padded("=", 10)},
      {{"", "------", "", "", "", "Deleted entry"}, "     ------   " + Padded("", 41) + "Deleted en"},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeIdRecord(c.entry), c.bytes) << c.entry.channel;
}

TEST(IdRecord, DecodesTrimmingBlanksOnly) {
  const auto nul = [](std::size_t n) { return std::string(n, '\0'); };
  const struct {
    std::string record;
    IdEntry entry;
  } cases[] = {
      {nul(65), {nul(5), nul(6), nul(3), nul(40), nul(1), nul(10)}},
      {" 5-7 04-023FDP" + Padded("  Fire Dispatch ", 40) + Padded("", 11), {"5-7", "04-023", "FDP", "Fire Dispatch", " ", ""}},
      {"1-1  =1-234SEC" + Padded("Transit Police", 40) + "N" + Padded(" =", 10),
       {"1-1", "=1-234", "SEC", "Transit Police", "N", "="}},
      {"3-1", {"3-1" + nul(2), nul(6), nul(3), nul(40), nul(1), nul(10)}},  // short: as if zero-padded
  };
  for (const auto& c : cases) {
    const IdEntry got = DecodeIdRecord(c.record);
    const IdEntry& want = c.entry;
    EXPECT_EQ(std::vector({got.channel, got.id, got.type, got.name, got.lockout, got.mode}),
              std::vector({want.channel, want.id, want.type, want.name, want.lockout, want.mode}));
  }
}

TEST(IdFile, FirstSaveGrowsTheFileToItsIdBankWithAZeroGap) {
  for (const auto& [bank, id_bank] : {std::pair{1, 1}, {3, 5}, {10, 10}, {4, 2}}) {
    TempDir dir;
    RecordFile file;
    IdDirectory ids;
    ASSERT_FALSE(LoadIdDirectory(dir.file(kIdFileName), file, ids));
    *ids.find(bank, IdEntryIndex(id_bank, 7)) = {"x-7", "04-023", "FDP", "Fire", "", ""};
    ASSERT_FALSE(WriteIdBank(file, ids, bank, id_bank));
    const std::string bytes = Slurp(dir.file(kIdFileName));
    const std::size_t records = static_cast<std::size_t>((bank - 1) * 100 + id_bank * 10);
    ASSERT_EQ(bytes.size(), kIdRecordLength * records) << bank << "/" << id_bank;
    // Everything but the entry saved is zero: the gap, and the untouched entries written back.
    const std::size_t saved_at = (records - 4) * kIdRecordLength;
    EXPECT_EQ(bytes.substr(saved_at, 3), "x-7");
    EXPECT_EQ(bytes.substr(0, saved_at) + bytes.substr(saved_at + kIdRecordLength), std::string(bytes.size() - 65, '\0'));
  }
}

TEST(IdFile, SavingAnIdBankRewritesOnlyItsTenRecords) {
  TempDir dir;
  std::mt19937 engine(7);
  std::string before(kIdRecords * kIdRecordLength, '\0');
  for (char& c : before) c = static_cast<char>(engine());
  std::ofstream(dir.file(kIdFileName), std::ios::binary) << before;
  RecordFile file;
  IdDirectory ids;
  ASSERT_FALSE(LoadIdDirectory(dir.file(kIdFileName), file, ids));
  *ids.find(3, 47) = {"5-7", "04-023", "FDP", "Fire Dispatch", "", ""};
  for (const auto& [bank, id_bank] : {std::pair{0, 5}, {3, 0}, {11, 5}, {3, 11}})
    EXPECT_FALSE(WriteIdBank(file, ids, bank, id_bank));
  EXPECT_EQ(Slurp(dir.file(kIdFileName)), before);

  ASSERT_FALSE(WriteIdBank(file, ids, 3, 5));
  const std::string after = Slurp(dir.file(kIdFileName));
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(15990, kIdRecordLength), EncodeIdRecord(ids.at(3, 47)));  // record 247
  const std::size_t start = (IdRecordNumber(3, 41) - 1) * kIdRecordLength, end = start + 10 * kIdRecordLength;
  EXPECT_EQ(after.substr(0, start), before.substr(0, start));
  EXPECT_EQ(after.substr(end), before.substr(end));
}
