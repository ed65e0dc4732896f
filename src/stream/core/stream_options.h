#pragma once
// What the stream to an Icecast server is: where it goes, how it is encoded and how
// directories list it. Plain values: the settings file lives with the integrations,
// and the sender library gets a copy.
#include <cstdint>
#include <string>
#include <string_view>

namespace scandeck {

enum class StreamFormat { Mp3, Opus };

// Bitrates offered, in kb/s: low for voice, and what Ogg Opus and MP3 both take.
inline constexpr int kStreamBitrates[] = {16, 24, 32, 48, 64, 96, 128};

struct StreamOptions {
  bool enabled = false;
  std::string host = "127.0.0.1";
  std::uint16_t port = 8000;
  std::string mount = "/scanner";
  std::string user = "source";
  std::string password;
  StreamFormat format = StreamFormat::Mp3;
  int bitrate = 32;  // kb/s, one of kStreamBitrates
  std::string name;
  std::string genre;
  std::string description;
  bool listed = false;  // public: shown in the server's directory listings
  bool callsOnly = false;
  bool operator==(const StreamOptions&) const = default;
};

const char* StreamFormatKey(StreamFormat format);  // "mp3", "opus"
bool ReadStreamFormat(std::string_view key, StreamFormat& out);
bool IsStreamBitrate(long kbps);

}  // namespace scandeck
