#pragma once
// The rules of the stream sender that need no network: the audio queue between the
// capture and the encoder, the titles on the capture's timeline, the reconnection
// delays and what the status line says. The sender thread (stream/lib) applies them.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "stream/core/stream_options.h"

namespace scandeck {

// 2 s, doubling to a minute; reset by a connection that worked.
class ReconnectDelay {
 public:
  static constexpr std::chrono::milliseconds kFirst{2000};
  static constexpr std::chrono::milliseconds kLast{60000};
  std::chrono::milliseconds next();
  void reset() { next_ = kFirst; }

 private:
  std::chrono::milliseconds next_ = kFirst;
};

// A stretch of captured audio with the capture's count of the sample before it.
struct AudioBlock {
  std::uint64_t first = 0;
  int rate = 0;
  std::vector<std::int16_t> samples;
};

// What the listeners see from a point of the capture's timeline on; `inCall` is false
// for the idle text, whose audio "calls only" replaces by silence.
struct TitleMark {
  std::uint64_t position = 0;
  std::string text;  // Latin-1
  bool inCall = false;
};

// Blocks and titles in capture order, bounded: when the sender falls behind, the
// oldest audio goes (a slow or gone server costs stream audio, never the capture),
// and of titles whose audio went only the newest is kept. Not locked: the sender
// guards it.
class StreamQueue {
 public:
  explicit StreamQueue(std::size_t max_samples) : max_samples_(max_samples) {}

  void push(AudioBlock block);
  void title(TitleMark mark);

  // The next piece to encode: audio up to the next title change at most, with the
  // title in force over it. A title due at or before the audio is handed first
  // (`changed`). Nothing while no audio waits.
  struct Piece {
    std::optional<TitleMark> changed;
    AudioBlock audio;
  };
  std::optional<Piece> take();

  std::size_t samples() const { return samples_; }
  std::uint64_t dropped() const { return dropped_; }
  // Empties the audio but keeps the newest title: what a new connection shows first.
  void dropAudio();

 private:
  std::size_t max_samples_;
  std::size_t samples_ = 0;
  std::uint64_t dropped_ = 0;
  std::deque<AudioBlock> blocks_;
  std::deque<TitleMark> titles_;
};

// Why a connection did not open or ended.
enum class StreamFault { None, Unreachable, Refused, MountInUse, Lost };

// From libshout's error code kind and its text: a wrong password (401) or a mount
// in use (403) are said plainly, anything else at connect is the server unreachable.
StreamFault ClassifyOpenFailure(bool login_failed, std::string_view server_text);

// The status line: changed only when the state does, so the loss is told once when
// it starts and once when it ends, however often the sender tries in between.
class StreamHealth {
 public:
  explicit StreamHealth(std::string where) : where_(std::move(where)) {}
  // Returns true when the text changed.
  bool connected();
  bool failed(StreamFault fault, const std::string& why);
  const std::string& text() const { return text_; }

 private:
  std::string where_;
  // The server is first tried with the first audio: there is nothing to send before.
  std::string text_ = "Stream: waiting for the sound input";
  StreamFault fault_ = StreamFault::None;
  bool ever_connected_ = false;
};

}  // namespace scandeck
