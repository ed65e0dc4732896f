#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "common/core/contact.h"
#include "iddir/core/id_directory.h"

using namespace scandeck;
namespace fs = std::filesystem;

namespace {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "iddir-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string file(const char* name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Spit(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 engine(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(engine() & 0xFF);
  return bytes;
}

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
      {{"5-7", "04-023", "FDP", "Fire Dispatch", "", ""},
       "5-7  04-023FDP" + Padded("Fire Dispatch", 40) + " " + std::string(10, ' ')},
      {{"10-10", "1234567", "TRKX", std::string(45, 'n'), "XY", "="},
       "10-10123456TRK" + std::string(40, 'n') + "X" + Padded("=", 10)},
      {{"", "------", "", "", "", "Deleted entry"}, "     ------   " + std::string(41, ' ') + "Deleted en"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeIdRecord(c.entry).size(), kIdRecordLength);
    EXPECT_EQ(EncodeIdRecord(c.entry), c.bytes) << c.entry.channel;
  }
}

TEST(IdRecord, DecodesTrimmingBlanksOnly) {
  const struct {
    std::string record;
    IdEntry entry;
  } cases[] = {
      {std::string(65, '\0'),
       {std::string(5, '\0'), std::string(6, '\0'), std::string(3, '\0'), std::string(40, '\0'), std::string(1, '\0'),
        std::string(10, '\0')}},
      {Padded(" 5-7", 5) + "04-023" + "FDP" + Padded("  Fire Dispatch ", 40) + " " + std::string(10, ' '),
       {"5-7", "04-023", "FDP", "Fire Dispatch", " ", ""}},
      {Padded("1-1", 5) + "=1-234" + "SEC" + Padded("Transit Police", 40) + "N" + Padded(" =", 10),
       {"1-1", "=1-234", "SEC", "Transit Police", "N", "="}},
      {"3-1", {"3-1" + std::string(2, '\0'), std::string(6, '\0'), std::string(3, '\0'), std::string(40, '\0'),
               std::string(1, '\0'), std::string(10, '\0')}},
  };
  for (const auto& c : cases) {
    const IdEntry got = DecodeIdRecord(c.record);
    EXPECT_EQ(got.channel, c.entry.channel);
    EXPECT_EQ(got.id, c.entry.id);
    EXPECT_EQ(got.type, c.entry.type);
    EXPECT_EQ(got.name, c.entry.name);
    EXPECT_EQ(got.lockout, c.entry.lockout);
    EXPECT_EQ(got.mode, c.entry.mode);
  }
}

TEST(IdFile, FirstSaveGrowsTheFileToItsIdBankWithAZeroGap) {
  const struct {
    int bank, id_bank;
  } cases[] = {{1, 1}, {3, 5}, {10, 10}, {4, 2}};
  for (const auto& c : cases) {
    TempDir dir;
    RecordFile file;
    IdDirectory ids;
    ASSERT_FALSE(LoadIdDirectory(dir.file(kIdFileName), file, ids));
    EXPECT_EQ(ids.at(c.bank, 1).id, std::string(6, '\0'));
    *ids.find(c.bank, IdEntryIndex(c.id_bank, 7)) = {"x-7", "04-023", "FDP", "Fire", "", ""};
    ASSERT_FALSE(WriteIdBank(file, ids, c.bank, c.id_bank));
    const std::string bytes = Slurp(dir.file(kIdFileName));
    const std::size_t records = static_cast<std::size_t>((c.bank - 1) * 100 + c.id_bank * 10);
    ASSERT_EQ(bytes.size(), kIdRecordLength * records) << c.bank << "/" << c.id_bank;
    const std::size_t gap = (records - 10) * kIdRecordLength;
    EXPECT_EQ(bytes.substr(0, gap), std::string(gap, '\0'));
    EXPECT_EQ(bytes.substr(gap + 6 * kIdRecordLength, 3), "x-7");
    // The nine untouched entries of the ID bank go back as the NULs they loaded as.
    EXPECT_EQ(bytes.substr(gap, 6 * kIdRecordLength), std::string(6 * kIdRecordLength, '\0'));
  }
}

TEST(IdFile, SavingAnIdBankRewritesOnlyItsTenRecords) {
  TempDir dir;
  const std::string path = dir.file(kIdFileName);
  const std::string before = RandomBytes(kIdRecords * kIdRecordLength, 7);
  Spit(path, before);
  RecordFile file;
  IdDirectory ids;
  ASSERT_FALSE(LoadIdDirectory(path, file, ids));
  *ids.find(3, 47) = {"5-7", "04-023", "FDP", "Fire Dispatch", "", ""};
  for (const auto& [bank, id_bank] : {std::pair{0, 5}, {3, 0}, {11, 5}, {3, 11}})
    EXPECT_FALSE(WriteIdBank(file, ids, bank, id_bank));
  EXPECT_EQ(Slurp(path), before);

  ASSERT_FALSE(WriteIdBank(file, ids, 3, 5));
  const std::string after = Slurp(path);
  ASSERT_EQ(after.size(), before.size());
  ASSERT_EQ(IdRecordNumber(3, 47), 247);
  EXPECT_EQ(after.substr(15990, kIdRecordLength), EncodeIdRecord(ids.at(3, 47)));
  const std::size_t start = (IdRecordNumber(3, 41) - 1) * kIdRecordLength, end = start + 10 * kIdRecordLength;
  EXPECT_EQ(after.substr(0, start), before.substr(0, start));
  EXPECT_EQ(after.substr(end), before.substr(end));
}

TEST(IdFile, OddFilesLoadWithoutHarm) {
  const std::string one = EncodeIdRecord({"1-1", "04-023", "FDP", "Fire Dispatch", "", ""});
  const struct {
    const char* what;
    std::string bytes;
    std::string name1;
  } cases[] = {
      {"random", RandomBytes(kIdRecords * kIdRecordLength, 8), ""},
      {"1 MB", one + RandomBytes(1 << 20, 9), "Fire Dispatch"},
      {"truncated", one + one.substr(0, 30), "Fire Dispatch"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    Spit(dir.file(kIdFileName), c.bytes);
    RecordFile file;
    IdDirectory ids;
    EXPECT_FALSE(LoadIdDirectory(dir.file(kIdFileName), file, ids)) << c.what;
    if (!c.name1.empty()) {
      EXPECT_EQ(ids.at(1, 1).name, c.name1) << c.what;
    }
  }

  TempDir dir;
  fs::create_directory(dir.file(kIdFileName));
  RecordFile file;
  IdDirectory ids;
  const Failure failure = LoadIdDirectory(dir.file(kIdFileName), file, ids);
  EXPECT_EQ(MailReport(kIdFileErrorLabel, failure),
            std::string("INI ID File error : 52 Is a directory,  please mail me   ") + contact::kSupportAddress + "  ");
  EXPECT_EQ(ids.at(10, 100).name, std::string(40, '\0'));
  EXPECT_TRUE(WriteIdBank(file, ids, 1, 1));
}
