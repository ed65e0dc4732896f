#pragma once
// mqtt.ini beside scandeck.ini: the broker ScanDeck publishes to. Off until the
// user switches it on; commands from the broker stay refused until allowed too.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/failure.h"

namespace scandeck {

inline constexpr const char* kMqttFileName = "mqtt.ini";
inline constexpr std::size_t kMaxMqttPrefixBytes = 128;

struct MqttSettings {
  bool enabled = false;
  std::string host = "127.0.0.1";
  std::uint16_t port = 1883;
  bool tls = false;
  std::string caFile;
  std::string certFile;  // optional client certificate and its key
  std::string keyFile;
  std::string user;
  std::string password;
  std::string clientId;  // empty: the library makes one up
  int keepAliveSeconds = 60;
  int protocol = 4;  // 4: MQTT 3.1.1, 5: MQTT 5
  std::string prefix;
  bool discovery = false;
  bool commands = false;

  bool operator==(const MqttSettings&) const = default;
};

// A host name made fit for one topic level: no '+', '#', '/', blanks, control or
// non-ASCII bytes (each becomes '_'; topics are UTF-8 and the settings Latin-1), at
// most 64 bytes, "scanner" when nothing is left.
std::string TopicSafe(std::string_view name);
// "scandeck/<host name>".
std::string DefaultMqttPrefix(std::string_view host_name);
// A prefix a subscriber can use: printable ASCII without wildcards, no empty levels
// or leading '/', within the bound.
bool IsUsablePrefix(std::string_view prefix);

// Unreadable values keep their defaults; a missing or unusable prefix becomes the
// default one for `host_name`.
MqttSettings ReadMqttText(std::string_view text, std::string_view host_name);
MqttSettings ReadMqttFile(const std::string& path, std::string_view host_name);
std::string MqttText(const MqttSettings& settings);
// Owner-only and whole, since it holds the broker's password.
Failure WriteMqttFile(const std::string& path, const MqttSettings& settings);

}  // namespace scandeck
