#include "audio/core/audio_writer.h"

#include <cstring>
#include <vector>

#include "common/core/csv.h"

namespace scandeck {

namespace {

void Le(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// An INFO sub-chunk: id, size, the text with its NUL, padded to an even size.
void InfoChunk(std::string& out, const char* id, const std::string& text) {
  if (text.empty()) return;
  const std::string value = text + '\0';
  out += id;
  Le(out, static_cast<std::uint32_t>(value.size()), 4);
  out += value;
  if (value.size() % 2) out += '\0';
}

class WavWriter final : public AudioWriter {
 public:
  WavWriter(platform::FileHandle file, std::size_t data_size_at) : file_(file), data_size_at_(data_size_at) {}

  Failure write(const std::int16_t* samples, std::size_t count) override {
    buffer_.reserve(kBuffer);
    for (std::size_t i = 0; i < count; ++i) {
      const auto s = static_cast<std::uint16_t>(samples[i]);
      buffer_ += static_cast<char>(s & 0xFF);
      buffer_ += static_cast<char>(s >> 8);
    }
    data_ += count * 2;
    return buffer_.size() >= kBuffer ? flushBuffer() : Failure{};
  }

  Failure finish() override {
    if (Failure f = flushBuffer()) return f;
    // The sizes a reader trusts are written last, once the data is all there.
    std::string size;
    Le(size, static_cast<std::uint32_t>(file_.size() - 8), 4);
    if (Failure f = file_.writeAt(4, size.data(), 4)) return f;
    size.clear();
    Le(size, static_cast<std::uint32_t>(data_), 4);
    if (Failure f = file_.writeAt(static_cast<long long>(data_size_at_), size.data(), 4)) return f;
    return file_.flushAndClose();
  }

  std::uint64_t bytes() const override { return static_cast<std::uint64_t>(file_.size()) + buffer_.size(); }

  SequentialFile& file() { return file_; }

 private:
  static constexpr std::size_t kBuffer = 64 * 1024;
  Failure flushBuffer() {
    const Failure f = file_.append(buffer_.data(), buffer_.size());
    buffer_.clear();
    return f;
  }
  SequentialFile file_;
  std::size_t data_size_at_;
  std::string buffer_;
  std::uint64_t data_ = 0;
};

}  // namespace

AudioTags TagsFor(const CallInfo& call, const LocalStamp& start) {
  AudioTags tags;
  const bool talkgroup = call.key.kind == CallKind::Talkgroup;
  tags.kind = talkgroup ? "talkgroup" : "channel";
  if (talkgroup) {
    tags.talkgroup = Latin1ToUtf8(call.key.id);
    tags.bank = Latin1ToUtf8(call.key.bank);
  } else {
    tags.frequency = FrequencyMhzText(call.key.id);
  }
  tags.system = Latin1ToUtf8(call.system);
  tags.type = Latin1ToUtf8(call.type);
  tags.title = !call.name.empty() ? Latin1ToUtf8(call.name) : talkgroup ? tags.talkgroup : tags.frequency;
  tags.date = IsoTime(start);
  return tags;
}

Failure SequentialFile::append(const void* data, std::size_t size) {
  if (Failure f = writeAt(size_, data, size)) return f;
  size_ += static_cast<long long>(size);
  return {};
}

Failure SequentialFile::writeAt(long long offset, const void* data, std::size_t size) {
  if (file_ == platform::kNoFile) return {errc::kWriteFailed, "File closed"};
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    int error = 0;
    const long long n = platform::WriteAt(file_, bytes + done, size - done, offset + static_cast<long long>(done), error);
    if (n < 0) return FailureFromErrno(error);
    if (n == 0) return {errc::kDiskFull, "Short write"};
    done += static_cast<std::size_t>(n);
  }
  return {};
}

Failure SequentialFile::flushAndClose() {
  if (file_ == platform::kNoFile) return {errc::kWriteFailed, "File closed"};
  int error = platform::FlushToDisk(file_);
  const int closed = platform::CloseFile(file_);
  file_ = platform::kNoFile;
  if (error == 0) error = closed;
  return error ? FailureFromErrno(error) : Failure{};
}

void SequentialFile::close() {
  if (file_ != platform::kNoFile) platform::CloseFile(file_);
  file_ = platform::kNoFile;
}

std::unique_ptr<AudioWriter> OpenWavWriter(const std::string& path, int rate, const AudioTags& tags, Failure& failure) {
  int error = 0;
  const platform::FileHandle file = platform::CreateEmpty(path, error);
  if (file == platform::kNoFile) {
    failure = FailureFromErrno(error);
    return nullptr;
  }
  std::string info = "INFO";
  InfoChunk(info, "INAM", tags.title);
  InfoChunk(info, "ICRD", tags.date);
  InfoChunk(info, "IGNR", tags.type);
  InfoChunk(info, "ISBJ", tags.system);
  // What INFO has no field for goes into the comment, as the Opus tags name it.
  std::string comment = "SCANDECK_KIND=" + tags.kind;
  if (!tags.frequency.empty()) comment += "; SCANDECK_FREQUENCY=" + tags.frequency;
  if (!tags.talkgroup.empty()) comment += "; SCANDECK_TALKGROUP=" + tags.talkgroup;
  if (!tags.bank.empty()) comment += "; SCANDECK_BANK=" + tags.bank;
  InfoChunk(info, "ICMT", comment);
  InfoChunk(info, "ISFT", "ScanDeck");

  std::string head = "RIFF";
  Le(head, 0, 4);  // patched at the end
  head += "WAVEfmt ";
  Le(head, 16, 4);
  Le(head, 1, 2);  // PCM
  Le(head, 1, 2);  // mono
  Le(head, static_cast<std::uint32_t>(rate), 4);
  Le(head, static_cast<std::uint32_t>(rate) * 2, 4);
  Le(head, 2, 2);
  Le(head, 16, 2);
  head += "LIST";
  Le(head, static_cast<std::uint32_t>(info.size()), 4);
  head += info;
  head += "data";
  const std::size_t data_size_at = head.size();
  Le(head, 0, 4);  // patched at the end
  auto writer = std::make_unique<WavWriter>(file, data_size_at);
  if ((failure = writer->file().append(head.data(), head.size()))) return nullptr;
  return writer;
}

std::unique_ptr<AudioWriter> OpenAudioWriter(RecordFormat format, const std::string& path, int rate,
                                             const AudioTags& tags, Failure& failure) {
  return format == RecordFormat::Wav ? OpenWavWriter(path, rate, tags, failure)
                                     : OpenOpusWriter(path, rate, tags, failure);
}

}  // namespace scandeck
