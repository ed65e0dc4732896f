#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "common/core/contact.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "support/temp_dir.h"

using namespace scandeck;
using scandeck::testing::Slurp;
using scandeck::testing::TempDir;
namespace fs = std::filesystem;

namespace {

void Spit(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

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

FreqChannel Channel(const char* frequency, const char* type, std::string name, const char* delay,
                    const char* lockout, const char* mode) {
  return {0, frequency, type, std::move(name), delay, lockout, mode, 0, 0, 0};
}

}  // namespace

TEST(FreqRecord, EncodesEachFieldAtItsOffset) {
  const std::string tail = std::string(11, ' ');
  const struct {
    FreqChannel channel;
    int n;
    std::string bytes;
  } cases[] = {
      {Channel("155.3250", "POL", "Sheriff", "=", "", "Normal"), 7, "7  01553250POL" + Padded("Sheriff", 40) + "NFF" + tail},
      {Channel("155,3250", "POL", "Sheriff", "=", "", "Normal"), 7, "7  01553250POL" + Padded("Sheriff", 40) + "NFF" + tail},
      {Channel("462.5625", "PTP", std::string(41, 'x'), "", "=", "Trunk"), 30,
       "30 04625625PTP" + std::string(40, 'x') + "FNN" + tail},
      {Channel("000,0000", "", "", "", "=", ""), 300, "30000000000   " + Padded("", 40) + "FNN" + tail},
      {Channel("", "LONG", "", "==", "N", "normal"), 12, "12 00000000LON" + Padded("", 40) + "FFN" + tail},
      // Texts a damaged file loads as: all their digits are kept, so they load back the same.
      {Channel("9999.9999", "", "", "", "", "Normal"), 1, "1  99999999   " + Padded("", 40) + "FFF" + tail},
      {Channel("-123.4567", "", "", "", "", "Normal"), 1, "1  -1234567   " + Padded("", 40) + "FFF" + tail},
      {Channel("-000,0012", "", "", "", "", "Normal"), 1, "1  -0000012   " + Padded("", 40) + "FFF" + tail},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeFreqRecord(c.channel, c.n), c.bytes) << c.channel.frequency;

  FreqChannel saved = Channel("155.3250", "POL", "Sheriff", "=", "", "Normal");
  saved.x = 120;
  const FreqChannel loaded = DecodeFreqRecord(EncodeFreqRecord(saved, 7), ',');
  EXPECT_EQ(loaded.channel, 7);
  EXPECT_EQ(loaded.frequency, "155,3250");
  EXPECT_EQ(loaded.x, 0);  // never written back
}

TEST(FreqRecord, DecodesStoredBytes) {
  const std::string nul3(3, '\0'), nul40(40, '\0'), mixed = std::string("A\0B", 3) + std::string(37, '\0');
  const struct {
    std::string record;
    int channel;
    std::string frequency, type, name, flags;
    int map, x, y;
  } cases[] = {
      {std::string(68, '\0'), 0, "000.0000", "", "", "Normal", 0, 0, 0},
      {"   00000000" + nul3 + nul40 + "NNN" + "7-0042  12x", 0, "000.0000", "", "", "==Trunk", 7, -42, 12},
      {nul3 + "01215000" + std::string("A\0\0", 3) + Padded("  Air Emergency ", 40) + "nYF" + std::string(11, '\0'), 0,
       "121.5000", std::string("A\0\0", 3), "Air Emergency", "Normal", 0, 0, 0},
      {"62 01553250   " + mixed + "FFF", 62, "155.3250", "", mixed, "Normal", 0, 0, 0},
  };
  for (const auto& c : cases) {
    const FreqChannel got = DecodeFreqRecord(c.record, '.');
    EXPECT_EQ(got.channel, c.channel);
    EXPECT_EQ(got.frequency, c.frequency);
    EXPECT_EQ(got.type, c.type);
    EXPECT_EQ(got.name, c.name);
    EXPECT_EQ(got.delay + got.lockout + got.mode, c.flags);
    EXPECT_EQ(std::vector({got.mapNumber, got.x, got.y}), std::vector({c.map, c.x, c.y}));
  }
}

TEST(FreqFile, SavingABankRewritesOnlyItsRecords) {
  TempDir dir;
  const std::string path = dir.file(kFreqFileName);
  const std::string before = RandomBytes(kFreqChannels * kFreqRecordLength, 1);
  Spit(path, before);
  RecordFile file;
  FreqDirectory channels;
  ASSERT_FALSE(LoadFreqDirectory(path, file, channels, '.'));
  channels[45] = Channel("154.4300", "FDP", "Fire Dispatch", "=", "", "Normal");
  for (int bank : {0, 11}) EXPECT_FALSE(WriteBank(file, channels, bank));
  EXPECT_EQ(Slurp(path), before);

  ASSERT_FALSE(WriteBank(file, channels, 2));
  const std::string after = Slurp(path);
  const std::size_t start = 30 * kFreqRecordLength, end = 60 * kFreqRecordLength;
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, start), before.substr(0, start));
  EXPECT_EQ(after.substr(end), before.substr(end));
  for (int n = 31; n <= 60; ++n)
    EXPECT_EQ(after.substr((n - 1) * kFreqRecordLength, kFreqRecordLength), EncodeFreqRecord(channels[n], n));
}

TEST(FreqFile, MissingFileIsCreatedAndTheFirstSaveLeavesAZeroGap) {
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
  EXPECT_EQ(bytes.substr(0, 60 * kFreqRecordLength), std::string(60 * kFreqRecordLength, '\0'));
  EXPECT_EQ(bytes.substr(60 * kFreqRecordLength, 3), "61 ");
}

// Both loaders share the record file, so odd files are tried on both.
TEST(DirectoryFiles, OddFilesLoadWithoutHarmAndAreReportedOnce) {
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
      {"folder", std::nullopt, std::nullopt, "", std::string(40, '\0'), "INI Freq File error : 52 Is a directory" + mail,
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

