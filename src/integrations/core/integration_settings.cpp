#include "integrations/core/integration_settings.h"

#include "common/core/key_value.h"
#include "common/core/safe_write.h"

namespace scandeck {

namespace {
void Port(std::string_view value, std::uint16_t& out) {
  if (const auto n = NumberIn(value, 1, 65535)) out = static_cast<std::uint16_t>(*n);
}

void ApplyStream(std::string_view key, std::string_view value, StreamOptions& s) {
  if (key == "stream") ReadFlag(value, s.enabled);
  else if (key == "stream_host" && !value.empty()) s.host = value;
  else if (key == "stream_port") Port(value, s.port);
  else if (key == "stream_mount" && value.size() > 1 && value[0] == '/') s.mount = value;
  else if (key == "stream_user" && !value.empty()) s.user = value;
  else if (key == "stream_password") s.password = value;
  else if (key == "stream_format") ReadStreamFormat(value, s.format);
  else if (key == "stream_bitrate") {
    if (const auto n = NumberIn(value, 1, 1000); n && IsStreamBitrate(*n)) s.bitrate = static_cast<int>(*n);
  } else if (key == "stream_name") s.name = value;
  else if (key == "stream_genre") s.genre = value;
  else if (key == "stream_description") s.description = value;
  else if (key == "stream_public") ReadFlag(value, s.listed);
  else if (key == "stream_calls_only") ReadFlag(value, s.callsOnly);
}

void Apply(std::string_view key, std::string_view value, IntegrationSettings& s) {
  if (key == "template") s.text.format = value;
  else if (key == "idle") s.text.idle = value;
  else if (key == "icecast") ReadFlag(value, s.icecast);
  else if (key == "icecast_host" && !value.empty()) s.icecastHost = value;
  else if (key == "icecast_port") Port(value, s.icecastPort);
  else if (key == "icecast_mount" && !value.empty()) s.icecastMount = value;
  else if (key == "icecast_user") s.icecastUser = value;
  else if (key == "icecast_password") s.icecastPassword = value;
  else if (key == "icecast_delay") {
    if (const auto n = NumberIn(value, 0, kMaxTitleDelaySeconds)) s.icecastDelaySeconds = static_cast<int>(*n);
  } else if (key == "overlay") ReadFlag(value, s.overlay);
  else if (key == "overlay_file") s.overlayFile = value;
  else if (key == "rig") ReadFlag(value, s.rig);
  else if (key == "rig_address" && !value.empty()) s.rigAddress = value;
  else if (key == "rig_port") Port(value, s.rigPort);
  else if (key.starts_with("stream")) ApplyStream(key, value, s.stream);
}

}  // namespace

IntegrationSettings ReadIntegrationText(std::string_view text) {
  IntegrationSettings settings;
  ForEachKeyValue(text, [&](std::string_view key, std::string_view value) { Apply(key, value, settings); });
  return settings;
}

IntegrationSettings ReadIntegrationFile(const std::string& path) {
  const auto text = ReadKeyValueFile(path);
  return text ? ReadIntegrationText(*text) : IntegrationSettings{};
}

std::string IntegrationText(const IntegrationSettings& s) {
  return KeyValueText({
      {"template", s.text.format},
      {"idle", s.text.idle},
      {"icecast", s.icecast ? "1" : "0"},
      {"icecast_host", s.icecastHost},
      {"icecast_port", std::to_string(s.icecastPort)},
      {"icecast_mount", s.icecastMount},
      {"icecast_user", s.icecastUser},
      {"icecast_password", s.icecastPassword},
      {"icecast_delay", std::to_string(s.icecastDelaySeconds)},
      {"overlay", s.overlay ? "1" : "0"},
      {"overlay_file", s.overlayFile},
      {"rig", s.rig ? "1" : "0"},
      {"rig_address", s.rigAddress},
      {"rig_port", std::to_string(s.rigPort)},
      {"stream", s.stream.enabled ? "1" : "0"},
      {"stream_host", s.stream.host},
      {"stream_port", std::to_string(s.stream.port)},
      {"stream_mount", s.stream.mount},
      {"stream_user", s.stream.user},
      {"stream_password", s.stream.password},
      {"stream_format", StreamFormatKey(s.stream.format)},
      {"stream_bitrate", std::to_string(s.stream.bitrate)},
      {"stream_name", s.stream.name},
      {"stream_genre", s.stream.genre},
      {"stream_description", s.stream.description},
      {"stream_public", s.stream.listed ? "1" : "0"},
      {"stream_calls_only", s.stream.callsOnly ? "1" : "0"},
  });
}

Failure WriteIntegrationFile(const std::string& path, const IntegrationSettings& settings) {
  return WriteFileAtomically(path, IntegrationText(settings), true);
}

}  // namespace scandeck
