#include "integrations/core/integration_settings.h"

#include <charconv>
#include <fstream>
#include <optional>

#include "common/core/safe_write.h"

namespace scandeck {

namespace {
// Larger files are not settings this program wrote.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

std::optional<long> Number(std::string_view text, long low, long high) {
  long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
  return value;
}

void Flag(std::string_view value, bool& out) {
  if (value == "1" || value == "0") out = value == "1";
}

void Port(std::string_view value, std::uint16_t& out) {
  if (const auto n = Number(value, 1, 65535)) out = static_cast<std::uint16_t>(*n);
}

void Apply(std::string_view key, std::string_view value, IntegrationSettings& s) {
  if (key == "template") s.text.format = value;
  else if (key == "idle") s.text.idle = value;
  else if (key == "icecast") Flag(value, s.icecast);
  else if (key == "icecast_host" && !value.empty()) s.icecastHost = value;
  else if (key == "icecast_port") Port(value, s.icecastPort);
  else if (key == "icecast_mount" && !value.empty()) s.icecastMount = value;
  else if (key == "icecast_user") s.icecastUser = value;
  else if (key == "icecast_password") s.icecastPassword = value;
  else if (key == "icecast_delay") {
    if (const auto n = Number(value, 0, kMaxTitleDelaySeconds)) s.icecastDelaySeconds = static_cast<int>(*n);
  } else if (key == "overlay") Flag(value, s.overlay);
  else if (key == "overlay_file") s.overlayFile = value;
  else if (key == "rig") Flag(value, s.rig);
  else if (key == "rig_address" && !value.empty()) s.rigAddress = value;
  else if (key == "rig_port") Port(value, s.rigPort);
}

// Values are single lines; a line break typed into a box would start a new key.
std::string OneLine(const std::string& value) {
  std::string out = value;
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}
}  // namespace

IntegrationSettings ReadIntegrationText(std::string_view text) {
  IntegrationSettings settings;
  std::size_t start = 0;
  // CR, LF or both end a line: a value never holds a line break, as the writer makes sure.
  while (start < text.size()) {
    auto end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const auto line = text.substr(start, end - start);
    if (const auto eq = line.find('='); eq != std::string_view::npos)
      Apply(line.substr(0, eq), line.substr(eq + 1), settings);
    start = end + 1;
  }
  return settings;
}

IntegrationSettings ReadIntegrationFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string text(kMaxFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxFileBytes) return {};
  return ReadIntegrationText(text);
}

std::string IntegrationText(const IntegrationSettings& s) {
  const std::pair<const char*, std::string> lines[] = {
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
  };
  std::string text;
  for (const auto& [key, value] : lines) text += std::string(key) + "=" + OneLine(value) + "\n";
  return text;
}

Failure WriteIntegrationFile(const std::string& path, const IntegrationSettings& settings) {
  return WriteFileAtomically(path, IntegrationText(settings), true);
}

}  // namespace scandeck
