// The stream sender: encoder (LAME for MP3, libopusenc for Ogg Opus) and libshout on
// a thread of their own behind the bounded StreamQueue. Built as the scandeck-stream
// library only: the program opens it when a stream is switched on.
#include <lame/lame.h>
#include <opus/opusenc.h>
#include <shout/shout.h>

#include <netdb.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/core/csv.h"
#include "stream/core/stream_link.h"
#include "stream/core/stream_sender.h"

namespace scandeck {

namespace {
using Steady = std::chrono::steady_clock;

// Eight seconds at 48 kHz (more at lower rates): what a server may lag behind
// before the oldest audio goes.
constexpr std::size_t kQueueSamples = 48000 * 8;
constexpr auto kIdleWait = std::chrono::milliseconds(200);
// A sender stuck in a connect to an unanswering host is left to finish alone.
constexpr auto kStopWait = std::chrono::seconds(2);
constexpr auto kHeld = std::chrono::seconds(30);

// libshout says "Login failed" alike for a wrong password (401) and a mount held by
// another source (403): a listener's look at the mount tells them apart.
bool MountLive(const StreamOptions& o) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(o.host.c_str(), std::to_string(o.port).c_str(), &hints, &found) != 0) return false;
  bool live = false;
  for (addrinfo* a = found; a && !live; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd < 0) continue;
    const timeval wait{3, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
      const std::string ask = "GET " + o.mount + " HTTP/1.0\r\nHost: " + o.host + "\r\nUser-Agent: ScanDeck\r\n\r\n";
      char reply[32] = {};
      if (send(fd, ask.data(), ask.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(ask.size()) &&
          recv(fd, reply, sizeof reply - 1, MSG_WAITALL) > 12)
        live = std::string_view(reply).substr(8, 5) == " 200 ";
    }
    ::close(fd);
  }
  freeaddrinfo(found);
  return live;
}

class Encoder {
 public:
  virtual ~Encoder() = default;
  // Encoded bytes for these samples (maybe none yet).
  virtual bool encode(const std::int16_t* samples, std::size_t count, std::vector<unsigned char>& out) = 0;
  // Ogg: ends the chain and starts one with this title. MP3: nothing (the title goes
  // through libshout).
  virtual void retitle(const std::string&) {}
};

class Mp3Encoder final : public Encoder {
 public:
  Mp3Encoder(int rate, int kbps) : lame_(lame_init()) {
    lame_set_in_samplerate(lame_, rate);
    lame_set_num_channels(lame_, 1);
    lame_set_mode(lame_, MONO);
    lame_set_brate(lame_, kbps);
    lame_set_quality(lame_, 7);  // fast; voice loses nothing audible
    ok_ = lame_init_params(lame_) >= 0;
  }
  ~Mp3Encoder() override { lame_close(lame_); }
  bool ok() const { return ok_; }
  bool encode(const std::int16_t* samples, std::size_t count, std::vector<unsigned char>& out) override {
    out.resize(count * 5 / 4 + 7200);
    const int n = lame_encode_buffer(lame_, samples, samples, static_cast<int>(count), out.data(),
                                     static_cast<int>(out.size()));
    if (n < 0) return false;
    out.resize(static_cast<std::size_t>(n));
    return true;
  }

 private:
  lame_global_flags* lame_;
  bool ok_ = false;
};

class OpusStreamEncoder final : public Encoder {
 public:
  OpusStreamEncoder(int rate, int kbps, const std::string& title) : rate_(rate), kbps_(kbps) { make(title); }
  ~OpusStreamEncoder() override {
    if (encoder_) ope_encoder_destroy(encoder_);
  }
  bool ok() const { return encoder_ != nullptr; }
  bool encode(const std::int16_t* samples, std::size_t count, std::vector<unsigned char>& out) override {
    if (!encoder_) return false;
    // Pages written since the last audio (the end of a chain) go first.
    out.swap(held_);
    held_.clear();
    out_ = &out;
    fed_ = true;
    const int error = ope_encoder_write(encoder_, samples, static_cast<int>(count));
    out_ = nullptr;
    return error == OPE_OK;
  }
  void retitle(const std::string& title) override {
    // A chain with no audio yet is begun again rather than ended: libopusenc gives a
    // chain ended before its first page a granule position players refuse.
    if (!fed_) {
      ope_encoder_destroy(encoder_);
      make(title);
      return;
    }
    fed_ = false;
    OggOpusComments* comments = Comments(title);
    ope_encoder_chain_current(encoder_, comments);
    ope_comments_destroy(comments);
  }

 private:
  void make(const std::string& title) {
    OggOpusComments* comments = Comments(title);
    const OpusEncCallbacks callbacks = {&OpusStreamEncoder::Write, &OpusStreamEncoder::Close};
    int error = 0;
    encoder_ = ope_encoder_create_callbacks(&callbacks, this, comments, rate_, 1, 0, &error);
    ope_comments_destroy(comments);
    if (!encoder_) return;
    ope_encoder_ctl(encoder_, OPUS_SET_BITRATE(kbps_ * 1000));
    ope_encoder_ctl(encoder_, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
    // Pages leave at least five times a second: a listener's delay, not a file's size.
    ope_encoder_ctl(encoder_, OPE_SET_MUXING_DELAY(48000 / 5));
  }

  static OggOpusComments* Comments(const std::string& latin1) {
    OggOpusComments* comments = ope_comments_create();
    ope_comments_add(comments, "TITLE", Latin1ToUtf8(latin1).c_str());
    return comments;
  }
  static int Write(void* user, const unsigned char* data, opus_int32 size) {
    auto* self = static_cast<OpusStreamEncoder*>(user);
    std::vector<unsigned char>* out = self->out_ ? self->out_ : &self->held_;
    out->insert(out->end(), data, data + size);
    return 0;
  }
  static int Close(void*) { return 0; }

  // Pages written outside encode() (the end of a chain), sent with the next audio.
  std::vector<unsigned char> held_;
  int rate_, kbps_;
  OggOpusEnc* encoder_ = nullptr;
  bool fed_ = false;  // the chain has audio
  std::vector<unsigned char>* out_ = nullptr;
};

// What the feeding threads and the sender thread share; kept alive by the sender
// thread when it is left to finish alone.
struct Shared {
  explicit Shared(StreamOptions o)
      : options(std::move(o)),
        health(options.host + ":" + std::to_string(options.port) + options.mount),
        queue(kQueueSamples) {}
  const StreamOptions options;
  mutable std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  StreamHealth health;
  StreamQueue queue;
};

class Connection {
 public:
  explicit Connection(Shared& shared) : s_(shared), o_(shared.options) {}
  ~Connection() { close(); }

  void run() {
    // libshout writes to its socket without MSG_NOSIGNAL: a server gone would end
    // the whole program with SIGPIPE. Blocked here, the write fails with EPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    pthread_setname_np(pthread_self(), "stream-send");  // its CPU can be told in /proc
    std::unique_lock lock(s_.mutex);
    while (!s_.stop) {
      if (!shout_) {
        if (Steady::now() < retry_at_ || rate_ == 0) {
          // Nothing is kept for a server that is away: the listeners get the present.
          if (rate_ != 0) s_.queue.dropAudio();
          s_.wake.wait_for(lock, kIdleWait);
          if (rate_ == 0) peekRate();
          continue;
        }
        lock.unlock();
        std::string why;
        const StreamFault fault = open(why);
        lock.lock();
        if (fault != StreamFault::None) {
          s_.health.failed(fault, why);
          retry_at_ = Steady::now() + delay_.next();
          continue;
        }
        s_.health.connected();
        connected_at_ = Steady::now();
      }
      std::optional<StreamQueue::Piece> piece = s_.queue.take();
      if (!piece) {
        s_.wake.wait_for(lock, kIdleWait);
        continue;
      }
      lock.unlock();
      std::string why;
      const bool sent = send(*piece, why);
      lock.lock();
      if (!sent) {
        // The signal of a failed write stays pending on this thread: taken, so the
        // next loss raises it anew rather than piling up.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        const timespec now{0, 0};
        while (sigtimedwait(&pipe, nullptr, &now) == SIGPIPE) {
        }
        close();
        if (!why.empty()) {
          // A connection that held starts the back-off afresh; one dropped at once
          // (a server taking the source only to end it) keeps it growing.
          if (Steady::now() - connected_at_ > kHeld) delay_.reset();
          s_.health.failed(StreamFault::Lost, why);
          retry_at_ = Steady::now() + delay_.next();
        }
      }
    }
  }

 private:
  void peekRate() {
    if (auto piece = s_.queue.take()) {
      rate_ = piece->audio.rate;
      if (piece->changed) title_ = *piece->changed;
    }
  }

  StreamFault open(std::string& why) {
    shout_ = shout_new();
    if (!shout_) {
      why = "out of memory";
      return StreamFault::Unreachable;
    }
    const bool mp3 = o_.format == StreamFormat::Mp3;
    shout_set_host(shout_, o_.host.c_str());
    shout_set_port(shout_, o_.port);
    shout_set_user(shout_, o_.user.c_str());
    shout_set_password(shout_, o_.password.c_str());
    shout_set_mount(shout_, o_.mount.c_str());
    shout_set_protocol(shout_, SHOUT_PROTOCOL_HTTP);
    shout_set_agent(shout_, "ScanDeck");
    shout_set_tls(shout_, SHOUT_TLS_DISABLED);
    shout_set_content_format(shout_, mp3 ? SHOUT_FORMAT_MP3 : SHOUT_FORMAT_OGG, SHOUT_USAGE_AUDIO, nullptr);
    shout_set_public(shout_, o_.listed ? 1 : 0);
    // Directories and players take these as UTF-8.
    const std::pair<const char*, const std::string&> meta[] = {
        {SHOUT_META_NAME, o_.name}, {SHOUT_META_GENRE, o_.genre}, {SHOUT_META_DESCRIPTION, o_.description}};
    for (const auto& [key, value] : meta)
      if (!value.empty()) shout_set_meta(shout_, key, Latin1ToUtf8(value).c_str());
    shout_set_audio_info(shout_, SHOUT_AI_BITRATE, std::to_string(o_.bitrate).c_str());
    shout_set_audio_info(shout_, SHOUT_AI_SAMPLERATE, std::to_string(rate_).c_str());
    shout_set_audio_info(shout_, SHOUT_AI_CHANNELS, "1");
    const int error = shout_open(shout_);
    if (error != SHOUTERR_SUCCESS) {
      why = shout_get_error(shout_);
      if (error == SHOUTERR_NOLOGIN && MountLive(o_)) why = "403 the mount is in use";
      const StreamFault fault = ClassifyOpenFailure(error == SHOUTERR_NOLOGIN, why);
      close();
      return fault;
    }
    if (mp3) {
      auto encoder = std::make_unique<Mp3Encoder>(rate_, o_.bitrate);
      if (encoder->ok()) encoder_ = std::move(encoder);
    } else {
      auto encoder = std::make_unique<OpusStreamEncoder>(rate_, o_.bitrate, title_.text);
      if (encoder->ok()) encoder_ = std::move(encoder);
    }
    if (!encoder_) {
      why = "the encoder does not take " + std::to_string(rate_) + " Hz at " + std::to_string(o_.bitrate) + " kb/s";
      close();
      return StreamFault::Unreachable;
    }
    if (mp3 && !title_.text.empty()) sendTitle();
    return StreamFault::None;
  }

  void close() {
    encoder_.reset();
    if (!shout_) return;
    shout_close(shout_);
    shout_free(shout_);
    shout_ = nullptr;
  }

  void sendTitle() {
    shout_metadata_t* meta = shout_metadata_new();
    if (!meta) return;
    // A lost title is no lost stream: the audio goes on either way.
    if (shout_metadata_add(meta, "song", Latin1ToUtf8(title_.text).c_str()) == SHOUTERR_SUCCESS) {
      const int sent = shout_set_metadata_utf8(shout_, meta);
      (void)sent;
    }
    shout_metadata_free(meta);
  }

  // False when the connection must be opened again; `why` empty for a new rate.
  bool send(StreamQueue::Piece& piece, std::string& why) {
    if (piece.changed) {
      // The same text again (the settings applied anew) is no new title: for Ogg it
      // would be a new chain.
      const bool same = piece.changed->text == title_.text;
      title_ = *piece.changed;
      if (same) {
      } else if (o_.format == StreamFormat::Mp3) {
        sendTitle();
      } else {
        encoder_->retitle(title_.text);
      }
    }
    AudioBlock& audio = piece.audio;
    if (audio.samples.empty()) return true;
    if (audio.rate != rate_) {
      rate_ = audio.rate;
      return false;
    }
    // "Calls only": between calls the connection carries encoded silence.
    if (o_.callsOnly && !title_.inCall) std::fill(audio.samples.begin(), audio.samples.end(), std::int16_t{0});
    if (!encoder_->encode(audio.samples.data(), audio.samples.size(), bytes_)) {
      why = "the encoder failed";
      return false;
    }
    if (bytes_.empty()) return true;
    if (shout_send(shout_, bytes_.data(), bytes_.size()) != SHOUTERR_SUCCESS) {
      why = shout_get_error(shout_);
      return false;
    }
    return true;
  }

  Shared& s_;
  const StreamOptions& o_;
  shout_t* shout_ = nullptr;
  std::unique_ptr<Encoder> encoder_;
  std::vector<unsigned char> bytes_;
  TitleMark title_;
  int rate_ = 0;
  ReconnectDelay delay_;
  Steady::time_point retry_at_{};
  Steady::time_point connected_at_{};
};

class ShoutSender final : public StreamSender {
 public:
  explicit ShoutSender(const StreamOptions& options) : shared_(std::make_shared<Shared>(options)) {
    std::packaged_task<void()> task([shared = shared_] { Connection(*shared).run(); });
    done_ = task.get_future();
    thread_ = std::thread(std::move(task));
  }
  ~ShoutSender() override {
    {
      std::lock_guard lock(shared_->mutex);
      shared_->stop = true;
    }
    shared_->wake.notify_all();
    if (done_.wait_for(kStopWait) == std::future_status::ready) thread_.join();
    else thread_.detach();
  }

  void audio(const std::int16_t* samples, std::size_t count, std::uint64_t first, int rate) override {
    if (count == 0 || rate <= 0) return;
    AudioBlock block{first, rate, std::vector<std::int16_t>(samples, samples + count)};
    {
      std::lock_guard lock(shared_->mutex);
      shared_->queue.push(std::move(block));
    }
    shared_->wake.notify_one();
  }
  void title(std::uint64_t position, const std::string& text, bool inCall) override {
    std::lock_guard lock(shared_->mutex);
    shared_->queue.title({position, text, inCall});
  }
  std::string status() const override {
    std::lock_guard lock(shared_->mutex);
    return shared_->health.text();
  }
  std::uint64_t dropped() const override {
    std::lock_guard lock(shared_->mutex);
    return shared_->queue.dropped();
  }

 private:
  std::shared_ptr<Shared> shared_;
  std::future<void> done_;
  std::thread thread_;
};

}  // namespace
}  // namespace scandeck

extern "C" __attribute__((visibility("default"))) int scandeck_stream_interface() { return scandeck::kStreamInterface; }

extern "C" __attribute__((visibility("default"))) scandeck::StreamSender* scandeck_stream_make(
    const scandeck::StreamOptions* options) {
  shout_init();
  return new scandeck::ShoutSender(*options);
}
