#include "stream/core/stream_options.h"

#include <algorithm>
#include <iterator>

namespace scandeck {

const char* StreamFormatKey(StreamFormat format) { return format == StreamFormat::Opus ? "opus" : "mp3"; }

bool ReadStreamFormat(std::string_view key, StreamFormat& out) {
  if (key == "mp3") out = StreamFormat::Mp3;
  else if (key == "opus") out = StreamFormat::Opus;
  else return false;
  return true;
}

bool IsStreamBitrate(long kbps) {
  return std::find(std::begin(kStreamBitrates), std::end(kStreamBitrates), kbps) != std::end(kStreamBitrates);
}

}  // namespace scandeck
