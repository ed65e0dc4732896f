#pragma once
// The stream sender as the program sees it: fed captured audio and titles from any
// thread without waiting, it encodes and sends on a thread of its own. Built into
// the scandeck-stream library (stream/lib), opened the first time a stream is
// switched on, so neither libshout nor the encoders are mapped while stream=0.
#include <cstddef>
#include <cstdint>
#include <string>

#include "stream/core/stream_options.h"

namespace scandeck {

// Raised whenever StreamSender or StreamOptions change shape.
inline constexpr int kStreamInterface = 1;

class StreamSender {
 public:
  virtual ~StreamSender() = default;
  // `first`: the capture's count of samples before these (the timeline of titles).
  virtual void audio(const std::int16_t* samples, std::size_t count, std::uint64_t first, int rate) = 0;
  // From `position` on of the same timeline the listeners see `text` (Latin-1).
  virtual void title(std::uint64_t position, const std::string& text, bool inCall) = 0;
  // The status line's part, changed only when the state does.
  virtual std::string status() const = 0;
  // Audio samples dropped so far because the server was away or slow.
  virtual std::uint64_t dropped() const = 0;
};

}  // namespace scandeck

extern "C" {
using ScandeckStreamInterfaceFn = int (*)();
using ScandeckStreamMakeFn = scandeck::StreamSender* (*)(const scandeck::StreamOptions* options);
}
