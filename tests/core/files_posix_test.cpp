// File tests that need POSIX: permissions that bind (a child dropped to "nobody"
// when run as root), a file-size limit. Left out of the Windows build.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "audio/core/call_index.h"
#include "audio/core/recording_store.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "integrations/core/integration_settings.h"
#include "remote/core/remote_guard.h"
#include "remote/core/remote_settings.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

using namespace scandeck;
using scandeck::testing::RunUnprivileged;
using scandeck::testing::Slurp;
using scandeck::testing::Spit;
using scandeck::testing::TempDir;
namespace fs = std::filesystem;

namespace {

FreqChannel Channel(const char* frequency, const char* type, std::string name, const char* delay,
                    const char* lockout, const char* mode) {
  return {0, frequency, type, std::move(name), delay, lockout, mode, 0, 0, 0};
}

// Runs `body` with files limited to `bytes`, as on a disk that fills up there.
void WithFileSizeLimit(rlim_t bytes, const std::function<void()>& body) {
  rlimit old_limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old_limit;
  limit.rlim_cur = bytes;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  body();
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
}

}  // namespace

TEST(DirectoryFiles, ReadOnlyFilesStillLoadAndRefuseToSave) {
  TempDir dir;
  const std::string freq_path = dir.file(kFreqFileName), id_path = dir.file(kIdFileName);
  const std::string freq_bytes = EncodeFreqRecord(Channel("155.3250", "POL", "Sheriff", "=", "", "Normal"), 1);
  const std::string id_bytes = EncodeIdRecord({"1-1", "04-023", "FDP", "Fire Dispatch", "", ""});
  Spit(freq_path, freq_bytes);
  Spit(id_path, id_bytes);
  using fs::perms;
  for (const auto& path : {freq_path, id_path}) fs::permissions(path, perms::owner_read | perms::others_read);
  fs::permissions(dir.path, perms::owner_all | perms::others_read | perms::others_exec);
  // The folder is read-only too, so a missing file cannot be created either.
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

TEST(DirectoryFiles, WriteThatStopsShortIsReported) {
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
  EXPECT_EQ(fs::file_size(dir.file(kFreqFileName)), limit.rlim_cur);
}

TEST(IntegrationSettingsFile, OwnerOnlyEvenOverAReadableLeftover) {
  TempDir dir;
  const std::string path = dir.file("integrations.ini");
  Spit(path + ".tmp", "left over");
  ASSERT_EQ(::chmod((path + ".tmp").c_str(), 0644), 0);
  IntegrationSettings settings;
  settings.icecastPassword = "hackme";
  ASSERT_FALSE(WriteIntegrationFile(path, settings));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  EXPECT_EQ(ReadIntegrationFile(path), settings);
  Spit(path, std::string(70000, 'x'));
  EXPECT_EQ(ReadIntegrationFile(path), IntegrationSettings{}) << "not a file this program wrote";
}

TEST(RecordingFiles, AFullDiskLeavesCallsCsvAndTheFolderWhole) {
  TempDir dir;
  const std::string index = dir.file(kCallIndexName);
  IndexedCall row;
  row.call = {{CallKind::Talkgroup, "1", "100"}, "Fire", "FIR", "", 0};
  row.file = "00-00-00_tg-1-100_Fire.opus";
  ASSERT_FALSE(AppendCallIndex(index, row));
  const std::string before = Slurp(index);
  Failure failed;
  WithFileSizeLimit(before.size() + 20, [&] { failed = AppendCallIndex(index, row); });
  EXPECT_TRUE(failed) << "the row does not fit";
  EXPECT_EQ(Slurp(index), before) << "the old rows are all there, and nothing of the new one";
  EXPECT_FALSE(fs::exists(index + ".tmp"));

  // A recording that fills the disk is removed, never left half-written or half-named.
  for (const RecordFormat format : {RecordFormat::Wav, RecordFormat::Opus}) {
    SystemDisk disk;
    StoreOptions options;
    options.folder = dir.file("recordings");
    options.format = format;
    options.rate = 8000;
    RecordingStore store(options, disk, SystemLocalTime, [] { return std::int64_t{0}; });
    const std::vector<std::int16_t> noise(8000, 1234);
    bool writing = true;
    std::string day;
    WithFileSizeLimit(3000, [&] {
      ASSERT_TRUE(store.open({row.call, 1773097200000, 0, 1, false}));
      for (int i = 0; i < 60 && writing; ++i) writing = store.write(noise.data(), noise.size());
    });
    EXPECT_FALSE(writing) << FormatText(format);
    const auto notices = store.takeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].rfind("Recording failed: ", 0), 0u) << notices[0];
    for (const auto& entry : fs::recursive_directory_iterator(options.folder))
      EXPECT_TRUE(entry.is_directory()) << entry.path() << " was left behind";
  }
}

// The hash needs libsodium, which the Windows build has not.
TEST(RemoteSettings, FileIsOwnerOnlyAndTheHashTakesOnlyItsPassword) {
  TempDir dir;
  RemoteSettings s;
  s.passwordHash = HashPassword("correct horse");
  ASSERT_FALSE(WriteRemoteFile(dir.file("remote.ini"), s));
  struct stat st{};
  ASSERT_EQ(stat(dir.file("remote.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_TRUE(VerifyPassword(ReadRemoteFile(dir.file("remote.ini")).passwordHash, "correct horse"));
  for (const char* wrong : {"correct horsE", ""}) EXPECT_FALSE(VerifyPassword(s.passwordHash, wrong)) << wrong;
  EXPECT_FALSE(VerifyPassword("", "correct horse"));
  EXPECT_NE(HashPassword("correct horse"), s.passwordHash);  // salted
}
