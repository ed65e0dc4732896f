#pragma once
// One call's audio file while it is written: 16-bit mono samples in, a finished
// file out. Opus through libopusenc (which resamples any capture rate itself) or
// PCM WAV; both carry the call's tags.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/core/recording_names.h"
#include "common/core/failure.h"
#include "common/core/platform.h"

namespace scandeck {

// UTF-8 texts, empty where they do not apply.
struct AudioTags {
  std::string title;      // the name, or the ID or frequency
  std::string kind;       // "channel" or "talkgroup"
  std::string frequency;  // MHz
  std::string talkgroup;
  std::string bank;
  std::string system;
  std::string type;
  std::string date;  // ISO 8601 with the offset
};
AudioTags TagsFor(const CallInfo& call, const LocalStamp& start);

inline constexpr int kOpusBitrate = 24000;

class AudioWriter {
 public:
  virtual ~AudioWriter() = default;  // an unfinished file is closed as it is
  virtual Failure write(const std::int16_t* samples, std::size_t count) = 0;
  // Completes the file (headers, the encoder's last pages) and flushes it to disk.
  virtual Failure finish() = 0;
  virtual std::uint64_t bytes() const = 0;
};

// Each makes `path` anew; nothing and `failure` set when it cannot.
std::unique_ptr<AudioWriter> OpenWavWriter(const std::string& path, int rate, const AudioTags& tags, Failure& failure);
std::unique_ptr<AudioWriter> OpenOpusWriter(const std::string& path, int rate, const AudioTags& tags,
                                            Failure& failure);
std::unique_ptr<AudioWriter> OpenAudioWriter(RecordFormat format, const std::string& path, int rate,
                                             const AudioTags& tags, Failure& failure);

// A file written at increasing offsets through the platform seam, as both writers use it.
class SequentialFile {
 public:
  explicit SequentialFile(platform::FileHandle file) : file_(file) {}
  ~SequentialFile() { close(); }
  SequentialFile(const SequentialFile&) = delete;
  SequentialFile& operator=(const SequentialFile&) = delete;
  Failure append(const void* data, std::size_t size);
  Failure writeAt(long long offset, const void* data, std::size_t size);
  Failure flushAndClose();
  void close();
  long long size() const { return size_; }

 private:
  platform::FileHandle file_;
  long long size_ = 0;
};

}  // namespace scandeck
