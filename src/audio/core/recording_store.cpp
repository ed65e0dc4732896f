#include "audio/core/recording_store.h"

#include <filesystem>
#include <system_error>

#include "audio/core/call_index.h"

namespace scandeck {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxNotices = 32;
constexpr const char* kPartSuffix = ".part";

// When the local time cannot be had, UTC still names a day and a second.
LocalStamp UtcStamp(std::int64_t epoch_ms) { return FixedZoneTime(epoch_ms, 0); }

bool IsPlainFile(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.symlink_status(ec).type() == fs::file_type::regular;
}

}  // namespace

bool SystemDisk::exists(const std::string& path) const {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

std::optional<std::uint64_t> SystemDisk::freeBytes(const std::string& folder) const {
  std::error_code ec;
  const fs::space_info space = fs::space(folder, ec);
  if (ec || space.available == static_cast<std::uintmax_t>(-1)) return std::nullopt;
  return static_cast<std::uint64_t>(space.available);
}

StoreOptions StoreOptionsFrom(const RecordingSettings& s, const std::string& working_folder, int rate) {
  StoreOptions options;
  const fs::path folder(s.folder);
  options.folder = (folder.is_absolute() ? folder : fs::path(working_folder) / folder).string();
  options.format = s.format;
  options.rate = rate;
  options.quotaBytes = static_cast<std::uint64_t>(s.quotaMb) * kMegabyte;
  options.keepDays = s.keepDays;
  options.minFreeBytes = static_cast<std::uint64_t>(s.minFreeMb) * kMegabyte;
  return options;
}

RecordingStore::RecordingStore(StoreOptions options, const RecordingDisk& disk, LocalTimeFn local_time,
                               std::function<std::int64_t()> epoch_now)
    : options_(std::move(options)), disk_(disk), local_time_(std::move(local_time)), epoch_now_(std::move(epoch_now)) {}

RecordingStore::~RecordingStore() {
  if (writer_) dropFile();
}

void RecordingStore::notice(std::string text) {
  if (text == last_failure_) return;  // the same trouble again says nothing new
  last_failure_ = text;
  if (notices_.size() < kMaxNotices) notices_.push_back(std::move(text));
}

std::vector<std::string> RecordingStore::takeNotices() {
  std::vector<std::string> out;
  out.swap(notices_);
  return out;
}

std::vector<KeptCall> RecordingStore::takeKept() {
  std::vector<KeptCall> out;
  out.swap(kept_calls_);
  return out;
}

void RecordingStore::startUp() {
  std::error_code ec;
  std::size_t removed = 0;
  for (const auto& day : fs::directory_iterator(options_.folder, ec)) {
    std::error_code type_ec;
    const std::string day_name = day.path().filename().string();
    if (day.symlink_status(type_ec).type() != fs::file_type::directory || !IsDayFolderName(day_name)) continue;
    std::error_code inner;
    for (const auto& entry : fs::directory_iterator(day.path(), inner)) {
      const std::string name = entry.path().filename().string();
      if (!IsPlainFile(entry)) continue;
      std::error_code file_ec;
      if (IsRecordingName(name, true) || name == std::string(kCallIndexName) + ".tmp") {
        if (fs::remove(entry.path(), file_ec)) ++removed;
      } else if (IsRecordingName(name)) {
        const auto size = static_cast<std::uint64_t>(fs::file_size(entry.path(), file_ec));
        if (!file_ec && kept_.insert({day_name, name, size}).second) used_ += size;
      }
    }
  }
  if (removed) notice("Removed " + std::to_string(removed) + " unfinished file(s) left by an earlier run");
  enforceBounds();
}

bool RecordingStore::spaceLow() {
  bool low = false;
  if (options_.minFreeBytes > 0) {
    const auto free = disk_.freeBytes(options_.folder);
    low = free && *free < options_.minFreeBytes;
  }
  if (low != low_space_) {
    low_space_ = low;
    const std::string need = std::to_string(options_.minFreeBytes / kMegabyte) + " MB";
    notices_.push_back(low ? "Recording stopped: less than " + need + " free on the recordings' disk"
                           : "Recording resumed: " + need + " or more free again");
    last_failure_.clear();
  }
  return low;
}

bool RecordingStore::open(const CallFile& file) {
  if (writer_) dropFile();
  std::error_code ec;
  fs::create_directories(options_.folder, ec);
  if (spaceLow()) return false;
  file_ = file;
  start_ = local_time_ ? local_time_(file.startEpochMs).value_or(UtcStamp(file.startEpochMs)) : UtcStamp(file.startEpochMs);
  day_ = DayFolderName(start_);
  const std::string day_path = options_.folder + "/" + day_;
  fs::create_directories(day_path, ec);
  if (ec) {
    notice("Recording failed: cannot make " + day_path + ": " + ec.message());
    return false;
  }
  name_ = FreeName(day_path, CallFileName(start_, file.call, options_.format),
                   [&](const std::string& path) { return disk_.exists(path); });
  Failure failure;
  writer_ = OpenAudioWriter(options_.format, day_path + "/" + name_ + kPartSuffix, options_.rate,
                            TagsFor(file.call, start_), failure);
  if (!writer_) {
    notice("Recording failed: " + failure.description);
    fs::remove(day_path + "/" + name_ + kPartSuffix, ec);
    return false;
  }
  samples_ = since_check_ = 0;
  return true;
}

bool RecordingStore::write(const std::int16_t* samples, std::size_t count) {
  if (!writer_) return false;
  if (const Failure failure = writer_->write(samples, count)) {
    notice("Recording failed: " + failure.description);
    dropFile();
    return false;
  }
  samples_ += count;
  since_check_ += count;
  // Free space is looked at once a second of audio, not on every block.
  if (since_check_ >= static_cast<std::uint64_t>(options_.rate)) {
    since_check_ = 0;
    if (spaceLow()) {
      if (file_.tentative) dropFile();
      else finishFile(file_.startEpochMs + static_cast<std::int64_t>(samples_ * 1000 / options_.rate));
      return false;
    }
  }
  return true;
}

void RecordingStore::keep(std::int64_t end_epoch_ms) {
  if (writer_) finishFile(end_epoch_ms);
}

void RecordingStore::discard() {
  if (writer_) dropFile();
}

void RecordingStore::dropFile() {
  writer_.reset();
  std::error_code ec;
  fs::remove(options_.folder + "/" + day_ + "/" + name_ + kPartSuffix, ec);
}

void RecordingStore::finishFile(std::int64_t end_epoch_ms) {
  const std::string day_path = options_.folder + "/" + day_;
  const std::string part = day_path + "/" + name_ + kPartSuffix;
  const Failure failure = writer_->finish();
  writer_.reset();
  std::error_code ec;
  if (failure) {
    notice("Recording failed: " + failure.description);
    fs::remove(part, ec);
    return;
  }
  // Someone may have made a file of that name since: never write over it.
  std::string name = name_;
  for (int n = 2; disk_.exists(day_path + "/" + name) && n < 100000; ++n) name = NumberedName(name_, n);
  fs::rename(part, day_path + "/" + name, ec);
  if (ec) {
    notice("Recording failed: cannot rename " + part + ": " + ec.message());
    fs::remove(part, ec);
    return;
  }
  const LocalStamp end = local_time_ ? local_time_(end_epoch_ms).value_or(UtcStamp(end_epoch_ms)) : UtcStamp(end_epoch_ms);
  if (const Failure index = AppendCallIndex(day_path + "/" + kCallIndexName,
                                            {file_.call, start_, end, samples_, options_.rate, name}))
    notice("The recording was kept, but " + std::string(kCallIndexName) + " could not be written: " +
           index.description);
  const auto size = static_cast<std::uint64_t>(fs::file_size(day_path + "/" + name, ec));
  if (!ec && kept_.insert({day_, name, size}).second) used_ += size;
  last_file_ = day_path + "/" + name;
  // Bounded even when nobody takes them: the oldest are the least missed.
  if (kept_calls_.size() >= kMaxKeptCalls) kept_calls_.erase(kept_calls_.begin());
  kept_calls_.push_back({file_.call.key, last_file_});
  last_failure_.clear();
  enforceBounds();
}

void RecordingStore::enforceBounds() {
  std::set<std::string> days;
  if (options_.keepDays > 0 && epoch_now_) {
    const std::int64_t now = epoch_now_();
    const long today = DayNumber(local_time_ ? local_time_(now).value_or(UtcStamp(now)) : UtcStamp(now));
    while (!kept_.empty()) {
      const auto day = DayNumber(kept_.begin()->day);
      if (day && *day > today - options_.keepDays) break;
      days.insert(kept_.begin()->day);
      evict(kept_.begin());
    }
  }
  // The newest recording stays even when it alone is over the bound.
  while (options_.quotaBytes > 0 && used_ > options_.quotaBytes && kept_.size() > 1) {
    days.insert(kept_.begin()->day);
    evict(kept_.begin());
  }
  for (const std::string& day : days) tidyDay(day);
}

void RecordingStore::evict(std::set<Kept>::iterator which) {
  std::error_code ec;
  fs::remove(options_.folder + "/" + which->day + "/" + which->name, ec);
  used_ -= std::min(used_, which->size);
  kept_.erase(which);
}

void RecordingStore::tidyDay(const std::string& day) {
  if (writer_ && day == day_) return;
  const auto first = kept_.lower_bound({day, "", 0});
  if (first != kept_.end() && first->day == day) return;
  // A day folder left holding only its index goes with it; anything else keeps it.
  const fs::path path = fs::path(options_.folder) / day;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(path, ec))
    if (entry.path().filename() != kCallIndexName) return;
  if (ec) return;
  fs::remove(path / kCallIndexName, ec);
  fs::remove(path, ec);
}

}  // namespace scandeck
