#pragma once
// remote.ini beside scandeck.ini: the page served to a browser. Off until the user
// switches it on; on 127.0.0.1 unless the user asks for the network.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/failure.h"

namespace scandeck {

inline constexpr const char* kRemoteFileName = "remote.ini";
inline constexpr std::uint16_t kDefaultRemotePort = 8245;

struct RemoteSettings {
  bool enabled = false;
  std::string address = "127.0.0.1";
  std::uint16_t port = kDefaultRemotePort;
  std::string passwordHash;  // crypto_pwhash_str's text, never the password
  bool control = true;       // whether the page may press keys

  bool operator==(const RemoteSettings&) const = default;
};

// 127.0.0.0/8, ::1 and "localhost": only this machine can reach it.
bool IsLoopbackAddress(std::string_view address);

enum class ServeState { Off, NeedsPassword, Serve };
// Off the loopback a page without a password would hand the scanner to the whole
// network, so nothing listens then.
ServeState ServeStateOf(const RemoteSettings& settings);
// Keys pressed from the page: as the user chose, and never off the loopback
// without a password.
bool ControlAllowed(const RemoteSettings& settings);

// Unreadable values keep their defaults; an address that is no IPv4/IPv6 literal or
// "localhost" is ignored.
RemoteSettings ReadRemoteText(std::string_view text);
RemoteSettings ReadRemoteFile(const std::string& path);
std::string RemoteText(const RemoteSettings& settings);
// Owner-only and whole: the hash is no password, but it is what guards the keys.
Failure WriteRemoteFile(const std::string& path, const RemoteSettings& settings);

}  // namespace scandeck
