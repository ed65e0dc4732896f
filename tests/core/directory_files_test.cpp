// bank.dat and idbank.dat: each record's byte layout both ways, and saving a bank
// rewrites only its own records, over both record kinds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#include "common/core/contact.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "support/temp_dir.h"

using namespace scandeck;
using scandeck::testing::Slurp;
using scandeck::testing::Spit;
using scandeck::testing::TempDir;
namespace fs = std::filesystem;

namespace {

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 engine(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(engine());
  return bytes;
}

std::string Padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

std::string Nul(std::size_t n) { return std::string(n, '\0'); }

FreqChannel Channel(const char* frequency, const char* type, std::string name, const char* delay, const char* lockout,
                    const char* mode) {
  return {0, frequency, type, std::move(name), delay, lockout, mode, 0, 0, 0};
}

}  // namespace

TEST(Records, EncodeEachFieldAtItsOffset) {
  const std::string tail(11, ' ');
  const struct {
    FreqChannel channel;
    int n;
    std::string bytes;
  } freq[] = {
      {Channel("155.3250", "POL", "Sheriff", "=", "", "Normal"), 7, "7  01553250POL" + Padded("Sheriff", 40) + "NFF" + tail},
      {Channel("155,3250", "POL", "Sheriff", "", "=", "Normal"), 7, "7  01553250POL" + Padded("Sheriff", 40) + "FNF" + tail},
      {Channel("462.5625", "PTP", std::string(41, 'x'), "", "=", "Trunk"), 30, "30 04625625PTP" + std::string(40, 'x') + "FNN" + tail},
      {Channel("000,0000", "", "", "", "=", ""), 300, "30000000000   " + Padded("", 40) + "FNN" + tail},
      {Channel("", "LONG", "", "==", "N", "normal"), 12, "12 00000000LON" + Padded("", 40) + "FFN" + tail},
      // Texts a damaged file loads as (1000 MHz and more): all their digits are kept, so they load back the same.
      {Channel("9999.9999", "", "", "", "", "Normal"), 1, "1  99999999   " + Padded("", 40) + "FFF" + tail},
      {Channel("-123.4567", "", "", "", "", "Normal"), 1, "1  -1234567   " + Padded("", 40) + "FFF" + tail},
      {Channel("-000,0012", "", "", "", "", "Normal"), 1, "1  -0000012   " + Padded("", 40) + "FFF" + tail},
  };
  for (const auto& c : freq) EXPECT_EQ(EncodeFreqRecord(c.channel, c.n), c.bytes) << c.channel.frequency;
  FreqChannel saved = Channel("155.3250", "POL", "Sheriff", "=", "", "Normal");
  saved.x = 120;
  const FreqChannel loaded = DecodeFreqRecord(EncodeFreqRecord(saved, 7), ',');
  EXPECT_EQ(loaded.channel, 7);
  EXPECT_EQ(loaded.frequency, "155,3250");
  EXPECT_EQ(loaded.x, 0);  // never written back

  const struct {
    IdEntry entry;
    std::string bytes;
  } ids[] = {
      {{"5-7", "04-023", "FDP", "Fire Dispatch", "", ""}, "5-7  04-023FDP" + Padded("Fire Dispatch", 40) + Padded("", 11)},
      {{"10-10", "1234567", "TRKX", std::string(45, 'n'), "XY", "="}, "10-10123456TRK" + std::string(40, 'n') + "X" + Padded("=", 10)},
      {{"", "------", "", "", "", "Deleted entry"}, "     ------   " + Padded("", 41) + "Deleted en"},
  };
  for (const auto& c : ids) EXPECT_EQ(EncodeIdRecord(c.entry), c.bytes) << c.entry.channel;
}

TEST(Records, DecodeStoredBytes) {
  const std::string mixed = std::string("A\0B", 3) + Nul(37);
  const struct {
    std::string record;
    int channel;
    std::string frequency, type, name, delay, lockout, mode;
    int map, x, y;
  } freq[] = {
      {Nul(68), 0, "000.0000", "", "", "", "", "Normal", 0, 0, 0},
      {"   00000000" + Nul(43) + "NNN" + "7-0042  12x", 0, "000.0000", "", "", "=", "=", "Trunk", 7, -42, 12},
      {Nul(3) + "01215000" + std::string("A\0\0", 3) + Padded("  Air Emergency ", 40) + "nYF" + Nul(11), 0, "121.5000",
       std::string("A\0\0", 3), "Air Emergency", "", "", "Normal", 0, 0, 0},
      {"62 01553250   " + mixed + "NFF", 62, "155.3250", "", mixed, "=", "", "Normal", 0, 0, 0},
      {"63 01553250   " + Padded("", 40) + "FNF", 63, "155.3250", "", "", "", "=", "Normal", 0, 0, 0},
  };
  for (const auto& c : freq) {
    const FreqChannel got = DecodeFreqRecord(c.record, '.');
    EXPECT_EQ(got.channel, c.channel);
    EXPECT_EQ(got.frequency, c.frequency);
    EXPECT_EQ(got.type, c.type);
    EXPECT_EQ(got.name, c.name);
    EXPECT_EQ(got.delay, c.delay) << c.channel;
    EXPECT_EQ(got.lockout, c.lockout) << c.channel;
    EXPECT_EQ(got.mode, c.mode) << c.channel;
    EXPECT_EQ(std::vector({got.mapNumber, got.x, got.y}), std::vector({c.map, c.x, c.y}));
  }

  const struct {
    std::string record;
    IdEntry entry;
  } ids[] = {
      {Nul(65), {Nul(5), Nul(6), Nul(3), Nul(40), Nul(1), Nul(10)}},
      {" 5-7 04-023FDP" + Padded("  Fire Dispatch ", 40) + Padded("", 11), {"5-7", "04-023", "FDP", "Fire Dispatch", " ", ""}},
      {"1-1  =1-234SEC" + Padded("Transit Police", 40) + "N" + Padded(" =", 10), {"1-1", "=1-234", "SEC", "Transit Police", "N", "="}},
      {"3-1", {"3-1" + Nul(2), Nul(6), Nul(3), Nul(40), Nul(1), Nul(10)}},  // short: as if zero-padded
  };
  for (const auto& c : ids) {
    const IdEntry got = DecodeIdRecord(c.record);
    const IdEntry& want = c.entry;
    EXPECT_EQ(std::vector({got.channel, got.id, got.type, got.name, got.lockout, got.mode}),
              std::vector({want.channel, want.id, want.type, want.name, want.lockout, want.mode}));
  }
}

// One bank of each kind saved over a file of random bytes, after saves the bank
// checks refuse: only that bank's records change, each as its encoder writes it.
TEST(RecordFiles, SavingABankRewritesOnlyItsRecords) {
  const struct {
    const char* file;
    std::size_t length, records, first, count;  // the records the save rewrites
  } kinds[] = {{kFreqFileName, kFreqRecordLength, kFreqChannels, 30, 30},
               {kIdFileName, kIdRecordLength, kIdRecords, IdRecordNumber(3, 41) - 1, 10}};
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.file);
    TempDir dir;
    const std::string path = dir.file(k.file), before = RandomBytes(k.records * k.length, 1);
    Spit(path, before);
    RecordFile file;
    FreqDirectory channels;
    IdDirectory ids;
    const bool freq = k.length == kFreqRecordLength;
    ASSERT_FALSE(freq ? LoadFreqDirectory(path, file, channels, '.') : LoadIdDirectory(path, file, ids));
    channels[45] = Channel("154.4300", "FDP", "Fire Dispatch", "=", "", "Normal");
    *ids.find(3, 47) = {"5-7", "04-023", "FDP", "Fire Dispatch", "", ""};
    if (freq) {
      for (int bank : {0, 11}) EXPECT_FALSE(WriteBank(file, channels, bank));
    } else {
      for (const auto& [bank, id_bank] : {std::pair{0, 5}, {3, 0}, {11, 5}, {3, 11}})
        EXPECT_FALSE(WriteIdBank(file, ids, bank, id_bank));
    }
    EXPECT_EQ(Slurp(path), before);
    ASSERT_FALSE(freq ? WriteBank(file, channels, 2) : WriteIdBank(file, ids, 3, 5));
    const std::string after = Slurp(path);
    ASSERT_EQ(after.size(), before.size());
    const std::size_t start = k.first * k.length, end = (k.first + k.count) * k.length;
    EXPECT_EQ(after.substr(0, start), before.substr(0, start));
    EXPECT_EQ(after.substr(end), before.substr(end));
    if (freq) {
      for (int n = 31; n <= 60; ++n) EXPECT_EQ(after.substr((n - 1) * k.length, k.length), EncodeFreqRecord(channels[n], n));
    } else {
      EXPECT_EQ(after.substr(15990, k.length), EncodeIdRecord(ids.at(3, 47)));  // record 247
    }
  }
}

TEST(RecordFiles, AMissingFileIsCreatedAndTheFirstSaveLeavesAZeroGap) {
  TempDir dir;
  RecordFile file;
  FreqDirectory channels;
  channels[5].name = "stale";
  ASSERT_FALSE(LoadFreqDirectory(dir.file(kFreqFileName), file, channels, ','));
  EXPECT_EQ(fs::file_size(dir.file(kFreqFileName)), 0u);
  EXPECT_EQ(channels[5].name + channels[300].frequency + channels[0].frequency, "000,0000");
  ASSERT_FALSE(WriteBank(file, channels, 3));
  const std::string bytes = Slurp(dir.file(kFreqFileName));
  ASSERT_EQ(bytes.size(), 90 * kFreqRecordLength);
  EXPECT_EQ(bytes.substr(0, 60 * kFreqRecordLength), Nul(60 * kFreqRecordLength));
  EXPECT_EQ(bytes.substr(60 * kFreqRecordLength, 3), "61 ");

  for (const auto& [bank, id_bank] : {std::pair{1, 1}, {3, 5}, {10, 10}, {4, 2}}) {
    TempDir ids_dir;
    RecordFile id_file;
    IdDirectory ids;
    ASSERT_FALSE(LoadIdDirectory(ids_dir.file(kIdFileName), id_file, ids));
    *ids.find(bank, IdEntryIndex(id_bank, 7)) = {"x-7", "04-023", "FDP", "Fire", "", ""};
    ASSERT_FALSE(WriteIdBank(id_file, ids, bank, id_bank));
    const std::string id_bytes = Slurp(ids_dir.file(kIdFileName));
    const std::size_t records = static_cast<std::size_t>((bank - 1) * 100 + id_bank * 10);
    ASSERT_EQ(id_bytes.size(), kIdRecordLength * records) << bank << "/" << id_bank;
    // Everything but the entry saved is zero: the gap, and the untouched entries written back.
    const std::size_t saved_at = (records - 4) * kIdRecordLength;
    EXPECT_EQ(id_bytes.substr(saved_at, 3), "x-7");
    EXPECT_EQ(id_bytes.substr(0, saved_at) + id_bytes.substr(saved_at + kIdRecordLength), Nul(id_bytes.size() - 65));
  }
}

// Both loaders share the record file, so odd files are tried on both.
TEST(RecordFiles, OddFilesLoadWithoutHarmAndAreReportedOnce) {
  const std::string freq1 = EncodeFreqRecord(Channel("155.3250", "POL", "Sheriff", "=", "", "Normal"), 1);
  const std::string id1 = EncodeIdRecord({"1-1", "04-023", "FDP", "Fire Dispatch", "", ""});
  const std::string mail = std::string(",  please mail me   ") + contact::kSupportAddress + "  ";
  const struct {
    const char* what;
    std::optional<std::string> freq_bytes, id_bytes;  // nullopt: a folder in place of the file
    std::string freq_name, id_name, freq_report, id_report;
  } cases[] = {
      {"random", RandomBytes(30000, 2), RandomBytes(70000, 3), "", "", "", ""},
      {"1 MB", freq1 + RandomBytes(1 << 20, 4), id1 + RandomBytes(1 << 20, 5), "Sheriff", "Fire Dispatch", "", ""},
      {"truncated", freq1 + freq1.substr(0, 20), id1 + id1.substr(0, 30), "Sheriff", "Fire Dispatch", "", ""},
      {"folder", std::nullopt, std::nullopt, "", Nul(40), "INI Freq File error : 52 Is a directory" + mail,
       "INI ID File error : 52 Is a directory" + mail},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string freq_path = dir.file(kFreqFileName), id_path = dir.file(kIdFileName);
    c.freq_bytes ? Spit(freq_path, *c.freq_bytes) : void(fs::create_directory(freq_path));
    c.id_bytes ? Spit(id_path, *c.id_bytes) : void(fs::create_directory(id_path));
    RecordFile freq_file, id_file;
    FreqDirectory channels;
    IdDirectory ids;
    const Failure freq_failure = LoadFreqDirectory(freq_path, freq_file, channels, '.');
    const Failure id_failure = LoadIdDirectory(id_path, id_file, ids);
    EXPECT_EQ(freq_failure ? MailReport(kFreqFileErrorLabel, freq_failure) : "", c.freq_report) << c.what;
    EXPECT_EQ(id_failure ? MailReport(kIdFileErrorLabel, id_failure) : "", c.id_report) << c.what;
    EXPECT_EQ(c.freq_name.empty() && c.freq_bytes ? "" : channels[1].name, c.freq_name) << c.what;
    EXPECT_EQ(c.id_name.empty() ? "" : ids.at(1, 1).name, c.id_name) << c.what;
    EXPECT_EQ(bool(WriteBank(freq_file, channels, 1)), !c.freq_bytes) << c.what;
  }
}
