// Ogg Opus through libopusenc; builds without it (the Windows core) say so instead.
#include "audio/core/audio_writer.h"

#if SCANDECK_HAVE_OPUSENC
#include <opus/opusenc.h>
#endif

namespace scandeck {

#if SCANDECK_HAVE_OPUSENC
namespace {

class OpusWriter final : public AudioWriter {
 public:
  explicit OpusWriter(platform::FileHandle file) : file_(file) {}
  ~OpusWriter() override {
    if (encoder_) ope_encoder_destroy(encoder_);
  }

  bool start(int rate, const AudioTags& tags, Failure& failure) {
    OggOpusComments* comments = ope_comments_create();
    if (!comments) {
      failure = {errc::kWriteFailed, "Out of memory"};
      return false;
    }
    const std::pair<const char*, const std::string&> fields[] = {
        {"TITLE", tags.title},         {"SCANDECK_KIND", tags.kind},     {"SCANDECK_FREQUENCY", tags.frequency},
        {"SCANDECK_TALKGROUP", tags.talkgroup}, {"SCANDECK_BANK", tags.bank}, {"SCANDECK_SYSTEM", tags.system},
        {"SCANDECK_TYPE", tags.type},  {"DATE", tags.date},
    };
    for (const auto& [tag, value] : fields)
      if (!value.empty()) ope_comments_add(comments, tag, value.c_str());
    const OpusEncCallbacks callbacks = {&OpusWriter::Write, &OpusWriter::Close};
    int error = 0;
    // Any rate libopusenc takes is resampled by it to Opus' 48 kHz.
    encoder_ = ope_encoder_create_callbacks(&callbacks, this, comments, rate, 1, 0, &error);
    ope_comments_destroy(comments);
    if (!encoder_) {
      failure = {errc::kInvalidArgument, std::string("Opus encoder: ") + ope_strerror(error)};
      return false;
    }
    ope_encoder_ctl(encoder_, OPUS_SET_BITRATE(kOpusBitrate));
    ope_encoder_ctl(encoder_, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
    return true;
  }

  Failure write(const std::int16_t* samples, std::size_t count) override {
    if (failure_) return failure_;
    const int error = ope_encoder_write(encoder_, samples, static_cast<int>(count));
    if (error != OPE_OK && !failure_) failure_ = {errc::kWriteFailed, std::string("Opus encoder: ") + ope_strerror(error)};
    return failure_;
  }

  Failure finish() override {
    if (failure_) return failure_;
    const int error = ope_encoder_drain(encoder_);
    if (error != OPE_OK && !failure_) failure_ = {errc::kWriteFailed, std::string("Opus encoder: ") + ope_strerror(error)};
    if (failure_) return failure_;
    return file_.flushAndClose();
  }

  std::uint64_t bytes() const override { return static_cast<std::uint64_t>(file_.size()); }

 private:
  static int Write(void* user, const unsigned char* data, opus_int32 size) {
    auto* self = static_cast<OpusWriter*>(user);
    if (self->failure_) return 1;
    self->failure_ = self->file_.append(data, static_cast<std::size_t>(size));
    return self->failure_ ? 1 : 0;
  }
  // The file is closed by finish() (after flushing) or the destructor.
  static int Close(void*) { return 0; }

  SequentialFile file_;
  OggOpusEnc* encoder_ = nullptr;
  Failure failure_;
};

}  // namespace

std::unique_ptr<AudioWriter> OpenOpusWriter(const std::string& path, int rate, const AudioTags& tags,
                                            Failure& failure) {
  int error = 0;
  const platform::FileHandle file = platform::CreateEmpty(path, error);
  if (file == platform::kNoFile) {
    failure = FailureFromErrno(error);
    return nullptr;
  }
  auto writer = std::make_unique<OpusWriter>(file);
  if (!writer->start(rate, tags, failure)) return nullptr;
  return writer;
}

#else

std::unique_ptr<AudioWriter> OpenOpusWriter(const std::string&, int, const AudioTags&, Failure& failure) {
  failure = {errc::kInvalidArgument, "This build has no Opus encoder: choose format=wav"};
  return nullptr;
}

#endif

}  // namespace scandeck
