#include "mqtt/core/mqtt_settings.h"

#include "common/core/key_value.h"
#include "common/core/safe_write.h"

namespace scandeck {

std::string TopicSafe(std::string_view name) {
  std::string out;
  for (const char c : name.substr(0, 64)) {
    const auto u = static_cast<unsigned char>(c);
    out += (c == '+' || c == '#' || c == '/' || u <= 0x20 || u >= 0x7F) ? '_' : c;
  }
  return out.empty() ? "scanner" : out;
}

std::string DefaultMqttPrefix(std::string_view host_name) { return "scandeck/" + TopicSafe(host_name); }

bool IsUsablePrefix(std::string_view prefix) {
  if (prefix.empty() || prefix.size() > kMaxMqttPrefixBytes) return false;
  if (prefix.front() == '/' || prefix.back() == '/' || prefix.find("//") != std::string_view::npos) return false;
  for (const char c : prefix) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '+' || c == '#' || u < 0x20 || u >= 0x7F) return false;
  }
  return true;
}

namespace {
void Apply(std::string_view key, std::string_view value, MqttSettings& s) {
  if (key == "mqtt") ReadFlag(value, s.enabled);
  else if (key == "mqtt_host" && !value.empty()) s.host = value;
  else if (key == "mqtt_port") {
    if (const auto n = NumberIn(value, 1, 65535)) s.port = static_cast<std::uint16_t>(*n);
  } else if (key == "mqtt_tls") ReadFlag(value, s.tls);
  else if (key == "mqtt_ca") s.caFile = value;
  else if (key == "mqtt_cert") s.certFile = value;
  else if (key == "mqtt_key") s.keyFile = value;
  else if (key == "mqtt_user") s.user = value;
  else if (key == "mqtt_password") s.password = value;
  else if (key == "mqtt_client_id") s.clientId = value.substr(0, 64);
  else if (key == "mqtt_keepalive") {
    if (const auto n = NumberIn(value, 5, 3600)) s.keepAliveSeconds = static_cast<int>(*n);
  } else if (key == "mqtt_version") {
    if (value == "5") s.protocol = 5;
    else if (value == "3.1.1" || value == "4") s.protocol = 4;
  } else if (key == "mqtt_prefix") s.prefix = value;
  else if (key == "mqtt_discovery") ReadFlag(value, s.discovery);
  else if (key == "mqtt_commands") ReadFlag(value, s.commands);
}
}  // namespace

MqttSettings ReadMqttText(std::string_view text, std::string_view host_name) {
  MqttSettings settings;
  ForEachKeyValue(text, [&](std::string_view key, std::string_view value) { Apply(key, value, settings); });
  if (!IsUsablePrefix(settings.prefix)) settings.prefix = DefaultMqttPrefix(host_name);
  return settings;
}

MqttSettings ReadMqttFile(const std::string& path, std::string_view host_name) {
  const auto text = ReadKeyValueFile(path);
  return ReadMqttText(text ? std::string_view(*text) : std::string_view(), host_name);
}

std::string MqttText(const MqttSettings& s) {
  return KeyValueText({
      {"mqtt", s.enabled ? "1" : "0"},
      {"mqtt_host", s.host},
      {"mqtt_port", std::to_string(s.port)},
      {"mqtt_tls", s.tls ? "1" : "0"},
      {"mqtt_ca", s.caFile},
      {"mqtt_cert", s.certFile},
      {"mqtt_key", s.keyFile},
      {"mqtt_user", s.user},
      {"mqtt_password", s.password},
      {"mqtt_client_id", s.clientId},
      {"mqtt_keepalive", std::to_string(s.keepAliveSeconds)},
      {"mqtt_version", s.protocol == 5 ? "5" : "3.1.1"},
      {"mqtt_prefix", s.prefix},
      {"mqtt_discovery", s.discovery ? "1" : "0"},
      {"mqtt_commands", s.commands ? "1" : "0"},
  });
}

Failure WriteMqttFile(const std::string& path, const MqttSettings& settings) {
  return WriteFileAtomically(path, MqttText(settings), true);
}

}  // namespace scandeck
