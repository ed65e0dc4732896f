#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/core/contact.h"
#include "freqdir/core/freq_directory.h"
#include "iddir/core/id_directory.h"

using namespace scandeck;
namespace fs = std::filesystem;

namespace {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "freqdir-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  std::string file(const char* name) const { return (path_ / name).string(); }
  const fs::path& path() const { return path_; }

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

// Runs `body` where file permissions apply: as root, in a child dropped to "nobody".
// The body returns a summary of what it saw; nullopt when privileges cannot be dropped.
std::optional<std::string> RunUnprivileged(const std::function<std::string()>& body) {
  if (::geteuid() != 0) return body();
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    const std::string summary = (::setgid(65534) == 0 && ::setuid(65534) == 0) ? body() : "";
    const ssize_t written = ::write(pipe_fds[1], summary.data(), summary.size());
    ::_exit(written == static_cast<ssize_t>(summary.size()) ? 0 : 1);
  }
  ::close(pipe_fds[1]);
  std::string summary;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) summary.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (summary.empty()) return std::nullopt;
  return summary;
}

FreqChannel Channel(std::string frequency, std::string type, std::string name, std::string delay,
                    std::string lockout, std::string mode) {
  FreqChannel c;
  c.frequency = std::move(frequency);
  c.type = std::move(type);
  c.name = std::move(name);
  c.delay = std::move(delay);
  c.lockout = std::move(lockout);
  c.mode = std::move(mode);
  return c;
}

}  // namespace

TEST(FreqRecord, EncodesEachFieldAtItsOffset) {
  const std::string name41(41, 'x');
  const struct {
    FreqChannel channel;
    int n;
    std::string bytes;
  } cases[] = {
      {Channel("155.3250", "POL", "County Sheriff", "=", "", "Normal"), 7,
       "7  01553250POL" + Padded("County Sheriff", 40) + "NFF" + std::string(11, ' ')},
      {Channel("155,3250", "POL", "County Sheriff", "=", "", "Normal"), 7,
       "7  01553250POL" + Padded("County Sheriff", 40) + "NFF" + std::string(11, ' ')},
      {Channel("462.5625", "PTP", name41, "", "=", "Trunk"), 30,
       "30 04625625PTP" + std::string(40, 'x') + "FNN" + std::string(11, ' ')},
      {Channel("000,0000", "", "", "", "=", ""), 300, "30000000000   " + std::string(40, ' ') + "FNN" + std::string(11, ' ')},
      {Channel("", "LONG", "", "==", "N", "normal"), 12, "12 00000000LON" + std::string(40, ' ') + "FFN" + std::string(11, ' ')},
  };
  for (const auto& c : cases) {
    const std::string record = EncodeFreqRecord(c.channel, c.n);
    EXPECT_EQ(record.size(), kFreqRecordLength);
    EXPECT_EQ(record, c.bytes) << c.channel.frequency << " / " << c.channel.name;
  }
}

TEST(FreqRecord, SavedChannelLoadsBack) {
  FreqChannel saved = Channel("155.3250", "POL", "County Sheriff", "=", "", "Normal");
  saved.mapNumber = 4;
  saved.x = 120;
  const FreqChannel loaded = DecodeFreqRecord(EncodeFreqRecord(saved, 7), ',');
  EXPECT_EQ(loaded.channel, 7);
  EXPECT_EQ(loaded.frequency, "155,3250");
  EXPECT_EQ(loaded.type, "POL");
  EXPECT_EQ(loaded.name, "County Sheriff");
  EXPECT_EQ(loaded.delay, "=");
  EXPECT_EQ(loaded.lockout, "");
  EXPECT_EQ(loaded.mode, "Normal");
  EXPECT_EQ(loaded.mapNumber + loaded.x + loaded.y, 0);  // never written back
  EXPECT_EQ(DecodeFreqRecord(EncodeFreqRecord(Channel("155.3250", "", "", "", "", ""), 1), '.').mode, "Trunk");
}

TEST(FreqRecord, DecodesStoredBytes) {
  const std::string nul3(3, '\0'), nul40(40, '\0');
  const std::string mixed_name = std::string("A\0B", 3) + std::string(37, '\0');
  const struct {
    std::string record;
    int channel;
    std::string frequency, type, name, flags;
    int map, x, y;
  } cases[] = {
      {std::string(68, '\0'), 0, "000.0000", "", "", "Normal", 0, 0, 0},
      {"   00000000" + nul3 + nul40 + "NNN" + "7-0042  12x", 0, "000.0000", "", "", "==Trunk", 7, -42, 12},
      {std::string(3, '\0') + "01215000" + std::string("A\0\0", 3) + Padded("  Air Emergency  ", 40) + "nYF" +
           std::string(11, '\0'),
       0, "121.5000", std::string("A\0\0", 3), "Air Emergency", "Normal", 0, 0, 0},
      {"62 01553250   " + mixed_name + "FFF" + std::string(11, ' '), 62, "155.3250", "", mixed_name, "Normal", 0, 0, 0},
      {"9  1300", 9, "000.1300", "", "", "Normal", 0, 0, 0},  // a short record reads as zero-padded
  };
  for (const auto& c : cases) {
    const FreqChannel got = DecodeFreqRecord(c.record, '.');
    EXPECT_EQ(got.channel, c.channel);
    EXPECT_EQ(got.frequency, c.frequency);
    EXPECT_EQ(got.type, c.type);
    EXPECT_EQ(got.name, c.name);
    EXPECT_EQ(got.delay + got.lockout + got.mode, c.flags);
    EXPECT_EQ(got.mapNumber, c.map);
    EXPECT_EQ(got.x, c.x);
    EXPECT_EQ(got.y, c.y);
  }
}

TEST(FreqFile, MissingFileIsCreatedAndLoadsEmpty) {
  TempDir dir;
  RecordFile file;
  FreqDirectory channels;
  channels[5].name = "stale";
  EXPECT_FALSE(LoadFreqDirectory(dir.file(kFreqFileName), file, channels, ','));
  EXPECT_TRUE(fs::exists(dir.file(kFreqFileName)));
  EXPECT_EQ(fs::file_size(dir.file(kFreqFileName)), 0u);
  EXPECT_EQ(channels[5].name, "");
  EXPECT_EQ(channels[300].frequency, "000,0000");
  EXPECT_EQ(channels[0].frequency + channels[0].mode, "");
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
  for (int bank : {0, 11, -1}) EXPECT_FALSE(WriteBank(file, channels, bank));
  EXPECT_EQ(Slurp(path), before);

  ASSERT_FALSE(WriteBank(file, channels, 2));
  const std::string after = Slurp(path);
  ASSERT_EQ(after.size(), before.size());
  const std::size_t start = 30 * kFreqRecordLength, end = 60 * kFreqRecordLength;
  EXPECT_EQ(after.substr(0, start), before.substr(0, start));
  EXPECT_EQ(after.substr(end), before.substr(end));
  for (int n = 31; n <= 60; ++n)
    EXPECT_EQ(after.substr((n - 1) * kFreqRecordLength, kFreqRecordLength), EncodeFreqRecord(channels[n], n)) << n;
}

TEST(FreqFile, FirstSaveOfALaterBankLeavesAZeroGap) {
  TempDir dir;
  RecordFile file;
  FreqDirectory channels;
  ASSERT_FALSE(LoadFreqDirectory(dir.file(kFreqFileName), file, channels, '.'));
  ASSERT_FALSE(WriteBank(file, channels, 3));
  const std::string bytes = Slurp(dir.file(kFreqFileName));
  ASSERT_EQ(bytes.size(), 90 * kFreqRecordLength);
  EXPECT_EQ(bytes.substr(0, 60 * kFreqRecordLength), std::string(60 * kFreqRecordLength, '\0'));
  EXPECT_EQ(bytes.substr(60 * kFreqRecordLength, 3), "61 ");
}

TEST(FreqFile, OddFilesLoadWithoutHarm) {
  const std::string one = EncodeFreqRecord(Channel("155.3250", "POL", "Sheriff", "=", "", "Normal"), 1);
  const struct {
    const char* what;
    std::string bytes;
    std::string name1;
  } cases[] = {
      {"random", RandomBytes(kFreqChannels * kFreqRecordLength, 2), ""},
      {"1 MB", one + RandomBytes(1 << 20, 3), "Sheriff"},
      {"truncated", one + one.substr(0, 20), "Sheriff"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    Spit(dir.file(kFreqFileName), c.bytes);
    RecordFile file;
    FreqDirectory channels;
    EXPECT_FALSE(LoadFreqDirectory(dir.file(kFreqFileName), file, channels, '.')) << c.what;
    if (!c.name1.empty()) {
      EXPECT_EQ(channels[1].name, c.name1) << c.what;
    }
    EXPECT_EQ(fs::file_size(dir.file(kFreqFileName)), c.bytes.size()) << c.what;
  }
}

TEST(FreqFile, DirectoryInPlaceIsReportedOnce) {
  TempDir dir;
  fs::create_directory(dir.file(kFreqFileName));
  RecordFile file;
  FreqDirectory channels;
  const Failure failure = LoadFreqDirectory(dir.file(kFreqFileName), file, channels, '.');
  EXPECT_EQ(MailReport(kFreqFileErrorLabel, failure), std::string("INI Freq File error : 52 Is a directory,  please mail me   ") +
                                                          contact::kSupportAddress + "  ");
  EXPECT_EQ(channels[1].frequency, "000.0000");
  EXPECT_EQ(WriteBank(file, channels, 1).code, errc::kBadFileName);
}

TEST(FreqFile, ReadOnlyFileStillLoadsAndRefusesToSave) {
  TempDir dir;
  const std::string freq_path = dir.file(kFreqFileName), id_path = dir.file(kIdFileName);
  const std::string freq_bytes = EncodeFreqRecord(Channel("155.3250", "POL", "Sheriff", "=", "", "Normal"), 1);
  IdEntry talkgroup{"1-1", "04-023", "FDP", "Fire Dispatch", "", ""};
  const std::string id_bytes = EncodeIdRecord(talkgroup);
  Spit(freq_path, freq_bytes);
  Spit(id_path, id_bytes);
  fs::permissions(freq_path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(id_path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
  const auto summary = RunUnprivileged([&] {
    RecordFile freq_file, id_file, missing_file;
    FreqDirectory channels, missing;
    IdDirectory ids;
    const Failure freq_load = LoadFreqDirectory(freq_path, freq_file, channels, '.');
    const Failure id_load = LoadIdDirectory(id_path, id_file, ids);
    const Failure missing_load = LoadFreqDirectory(dir.file("other.dat"), missing_file, missing, '.');
    return std::to_string(freq_load.code) + " " + channels[1].name + " " +
           std::to_string(WriteBank(freq_file, channels, 1).code) + " | " + std::to_string(id_load.code) + " " +
           ids.at(1, 1).name + " " + std::to_string(WriteIdBank(id_file, ids, 1, 1).code) + " | " +
           std::to_string(missing_load.code) + " " + std::to_string(WriteBank(missing_file, missing, 1).code);
  });
  if (!summary) GTEST_SKIP() << "cannot drop privileges";
  EXPECT_EQ(*summary, "70 Sheriff 70 | 70 Fire Dispatch 70 | 70 70");
  EXPECT_EQ(Slurp(freq_path), freq_bytes);
  EXPECT_EQ(Slurp(id_path), id_bytes);
  EXPECT_FALSE(fs::exists(dir.file("other.dat")));
}

TEST(FreqFile, WriteThatStopsShortIsReported) {
  TempDir dir;
  RecordFile file;
  FreqDirectory channels;
  ASSERT_FALSE(LoadFreqDirectory(dir.file(kFreqFileName), file, channels, '.'));
  rlimit old_limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old_limit;
  limit.rlim_cur = 31 * kFreqRecordLength + 10;  // bank 2 gets one record and a bit in
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  const Failure partial = WriteBank(file, channels, 2);
  const Failure none = WriteBank(file, channels, 3);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_TRUE(partial) << "a bank cut short must not pass as saved";
  EXPECT_TRUE(none);
  EXPECT_EQ(fs::file_size(dir.file(kFreqFileName)), 31 * kFreqRecordLength + 10);
}

TEST(RecordFile, ReadsPastTheEndAsZeros) {
  TempDir dir;
  Spit(dir.file("r.dat"), "abcdefg");
  RecordFile file;
  std::string out;
  EXPECT_TRUE(file.Read(1, 2, out));  // not open yet
  EXPECT_TRUE(file.Write(1, "abcd"));
  ASSERT_FALSE(file.Open(dir.file("r.dat"), 4));
  EXPECT_FALSE(file.Read(2, 2, out));
  EXPECT_EQ(out, std::string("efg") + std::string(5, '\0'));
  EXPECT_EQ(file.Read(0, 1, out).code, kBadRecordNumber);
  EXPECT_EQ(file.Write(0, "wxyz").code, kBadRecordNumber);
  EXPECT_EQ(Slurp(dir.file("r.dat")), "abcdefg");
}
