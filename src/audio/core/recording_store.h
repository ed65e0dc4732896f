#pragma once
// The recordings on disk: a CallSink that writes each call into its day folder
// under a ".part" name, renames it when kept and adds its calls.csv row, and keeps
// the folder within its bounds (total size, age, free space). It only ever removes
// what it recognises as its own: names of its pattern inside day folders of the
// recordings folder, and a day folder it has emptied.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "audio/core/audio_writer.h"
#include "audio/core/call_counts.h"
#include "audio/core/call_recorder.h"
#include "audio/core/recording_names.h"
#include "audio/core/recording_settings.h"

namespace scandeck {

inline constexpr std::uint64_t kMegabyte = 1024 * 1024;
inline constexpr std::size_t kMaxKeptCalls = 256;

class RecordingDisk {
 public:
  virtual ~RecordingDisk() = default;
  virtual bool exists(const std::string& path) const = 0;
  // Bytes this user may still write on the disk holding `folder`; nothing when unknown.
  virtual std::optional<std::uint64_t> freeBytes(const std::string& folder) const = 0;
};

// std::filesystem, free space through std::filesystem::space.
class SystemDisk : public RecordingDisk {
 public:
  bool exists(const std::string& path) const override;
  std::optional<std::uint64_t> freeBytes(const std::string& folder) const override;
};

struct StoreOptions {
  std::string folder;  // the recordings folder itself
  RecordFormat format = RecordFormat::Opus;
  int rate = 16000;
  std::uint64_t quotaBytes = 0;  // 0: no total bound
  long keepDays = 0;             // 0: no age bound
  std::uint64_t minFreeBytes = 0;
};
// `working_folder`: where a relative folder= is taken from.
StoreOptions StoreOptionsFrom(const RecordingSettings& settings, const std::string& working_folder, int rate);

class RecordingStore final : public CallSink {
 public:
  RecordingStore(StoreOptions options, const RecordingDisk& disk, LocalTimeFn local_time,
                 std::function<std::int64_t()> epoch_now);
  ~RecordingStore() override;

  // Once at start: removes the ".part" files a crash or power loss left (their
  // call never ended, so they hold no finished file), learns what is kept and
  // applies the bounds.
  void startUp();

  bool open(const CallFile& file) override;
  bool write(const std::int16_t* samples, std::size_t count) override;
  void keep(std::int64_t end_epoch_ms) override;
  void discard() override;

  // For the status line: each message once, when the state it tells of begins.
  std::vector<std::string> takeNotices();
  // The files kept since the last call, oldest first (at most kMaxKeptCalls).
  std::vector<KeptCall> takeKept();
  bool stoppedForSpace() const { return low_space_; }
  const std::string& lastFile() const { return last_file_; }  // full path of the last kept file
  std::uint64_t usedBytes() const { return used_; }
  std::size_t keptFiles() const { return kept_.size(); }

 private:
  struct Kept {
    std::string day;
    std::string name;
    std::uint64_t size = 0;
    bool operator<(const Kept& other) const { return day != other.day ? day < other.day : name < other.name; }
  };
  bool spaceLow();
  void notice(std::string text);
  void finishFile(std::int64_t end_epoch_ms);
  void dropFile();
  void enforceBounds();
  void evict(std::set<Kept>::iterator which);
  void tidyDay(const std::string& day);

  StoreOptions options_;
  const RecordingDisk& disk_;
  LocalTimeFn local_time_;
  std::function<std::int64_t()> epoch_now_;

  std::unique_ptr<AudioWriter> writer_;
  CallFile file_;
  LocalStamp start_;
  std::string day_;
  std::string name_;
  std::uint64_t samples_ = 0;
  std::uint64_t since_check_ = 0;

  std::set<Kept> kept_;
  std::uint64_t used_ = 0;
  bool low_space_ = false;
  std::string last_failure_;
  std::string last_file_;
  std::vector<std::string> notices_;
  std::vector<KeptCall> kept_calls_;
};

}  // namespace scandeck
