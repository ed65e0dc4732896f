#include "remote/core/remote_settings.h"

#include "common/core/key_value.h"
#include "common/core/safe_write.h"

namespace scandeck {

namespace {
bool IsIpv4(std::string_view text, unsigned* first = nullptr) {
  int parts = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find('.', start);
    if (end == std::string_view::npos) end = text.size();
    const auto n = NumberIn(text.substr(start, end - start), 0, 255);
    if (!n || end - start > 3) return false;
    if (parts == 0 && first) *first = static_cast<unsigned>(*n);
    ++parts;
    start = end + 1;
    if (end == text.size()) break;
  }
  return parts == 4 && text.back() != '.';
}

bool IsIpv6(std::string_view text) {
  if (text.size() < 2 || text.size() > 45 || text.find(':') == std::string_view::npos) return false;
  for (const char c : text)
    if (!(c == ':' || c == '.' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
      return false;
  return true;
}

bool UsableAddress(std::string_view a) { return a == "localhost" || IsIpv4(a) || IsIpv6(a); }
}  // namespace

bool IsLoopbackAddress(std::string_view address) {
  unsigned first = 0;
  if (IsIpv4(address, &first)) return first == 127;
  return address == "::1" || address == "localhost" || address == "0:0:0:0:0:0:0:1";
}

ServeState ServeStateOf(const RemoteSettings& s) {
  if (!s.enabled) return ServeState::Off;
  if (!IsLoopbackAddress(s.address) && s.passwordHash.empty()) return ServeState::NeedsPassword;
  return ServeState::Serve;
}

bool ControlAllowed(const RemoteSettings& s) {
  return s.control && (IsLoopbackAddress(s.address) || !s.passwordHash.empty());
}

RemoteSettings ReadRemoteText(std::string_view text) {
  RemoteSettings s;
  ForEachKeyValue(text, [&](std::string_view key, std::string_view value) {
    if (key == "web") ReadFlag(value, s.enabled);
    else if (key == "web_address" && UsableAddress(value)) s.address = value;
    else if (key == "web_port") {
      if (const auto n = NumberIn(value, 1, 65535)) s.port = static_cast<std::uint16_t>(*n);
    } else if (key == "web_password_hash" && value.size() < 256) s.passwordHash = value;
    else if (key == "web_control") ReadFlag(value, s.control);
  });
  return s;
}

RemoteSettings ReadRemoteFile(const std::string& path) {
  const auto text = ReadKeyValueFile(path);
  return ReadRemoteText(text ? std::string_view(*text) : std::string_view());
}

std::string RemoteText(const RemoteSettings& s) {
  return KeyValueText({
      {"web", s.enabled ? "1" : "0"},
      {"web_address", s.address},
      {"web_port", std::to_string(s.port)},
      {"web_password_hash", s.passwordHash},
      {"web_control", s.control ? "1" : "0"},
  });
}

Failure WriteRemoteFile(const std::string& path, const RemoteSettings& settings) {
  return WriteFileAtomically(path, RemoteText(settings), true);
}

}  // namespace scandeck
