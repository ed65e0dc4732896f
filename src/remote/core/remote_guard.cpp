#include "remote/core/remote_guard.h"

#if SCANDECK_HAVE_SODIUM
#include <sodium.h>
#endif

#include <algorithm>
#include <cctype>
#include <random>

namespace scandeck {

namespace {
#if SCANDECK_HAVE_SODIUM
// Argon2id at 64 MiB and three passes: about 0.1 s on a desktop of today.
constexpr unsigned long long kOpsLimit = 3;
constexpr std::size_t kMemLimit = 64u << 20;

bool Ready() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}
#endif

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}
}  // namespace

#if SCANDECK_HAVE_SODIUM
std::string HashPassword(std::string_view password) {
  if (!Ready()) return {};
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, password.data(), password.size(), kOpsLimit, kMemLimit) != 0) return {};
  return out;
}

bool VerifyPassword(std::string_view hash, std::string_view password) {
  if (!Ready() || hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
  const std::string text(hash);  // the library reads up to a NUL
  return crypto_pwhash_str_verify(text.c_str(), password.data(), password.size()) == 0;
}
#else
// Without the library no password can be set or checked: off the loopback the page
// is then never served, rather than served with a weaker hash.
std::string HashPassword(std::string_view) { return {}; }
bool VerifyPassword(std::string_view, std::string_view) { return false; }
#endif

std::vector<std::string> HostNames(std::string_view address, const std::vector<std::string>& more) {
  std::vector<std::string> names{"localhost", "127.0.0.1", "[::1]"};
  auto add = [&](std::string_view a) {
    if (a.empty() || a == "0.0.0.0" || a == "::") return;
    std::string name = a.find(':') != std::string_view::npos && a.front() != '[' ? "[" + std::string(a) + "]"
                                                                                   : std::string(a);
    name = Lower(name);
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  };
  add(address);
  for (const auto& m : more) add(m);
  return names;
}

bool HostAllowed(std::string_view host, const std::vector<std::string>& names, std::uint16_t port) {
  std::string_view name = host;
  std::string_view port_text = "80";
  const auto colon = host.rfind(':');
  if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos) {
    name = host.substr(0, colon);
    port_text = host.substr(colon + 1);
  }
  if (port_text != std::to_string(port)) return false;
  const std::string lowered = Lower(name);
  return std::find(names.begin(), names.end(), lowered) != names.end();
}

bool OriginAllowed(std::string_view origin, std::string_view host) {
  if (origin.empty()) return true;
  return !host.empty() && Lower(origin) == "http://" + Lower(host);
}

SteadyMs LoginThrottle::waitFor(const std::string& address, SteadyMs now) const {
  const auto it = table_.find(address);
  if (it == table_.end() || it->second.until <= now) return SteadyMs{0};
  return it->second.until - now;
}

void LoginThrottle::failed(const std::string& address, SteadyMs now) {
  auto it = table_.find(address);
  if (it == table_.end()) {
    if (table_.size() >= kMaxAddresses) {
      table_.erase(std::min_element(table_.begin(), table_.end(),
                                    [](const auto& a, const auto& b) { return a.second.until < b.second.until; }));
    }
    it = table_.emplace(address, Entry{}).first;
  }
  Entry& e = it->second;
  e.failures = std::min(e.failures + 1, 30);
  const long long seconds = std::min(1LL << std::min(e.failures - 1, 12), 3600LL);
  e.until = now + SteadyMs{seconds * 1000};
}

std::string Sessions::open() {
  unsigned char bytes[32];
#if SCANDECK_HAVE_SODIUM
  Ready();
  randombytes_buf(bytes, sizeof bytes);
#else
  std::random_device random;  // the system's generator (rand_s on Windows)
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
#endif
  static const char* hex = "0123456789abcdef";
  std::string token;
  for (const unsigned char b : bytes) {
    token += hex[b >> 4];
    token += hex[b & 15];
  }
  if (tokens_.size() >= kMaxSessions) tokens_.erase(tokens_.begin());
  tokens_.push_back(token);
  return token;
}

bool Sessions::valid(std::string_view token) const {
  if (token.size() != 64) return false;
  bool found = false;
  // Every byte compared, so the time taken tells nothing of how much matched.
  for (const auto& t : tokens_) {
    unsigned char differ = 0;
    for (std::size_t i = 0; i < 64; ++i) differ |= static_cast<unsigned char>(t[i] ^ token[i]);
    found |= differ == 0;
  }
  return found;
}

std::optional<std::string> CookieValue(std::string_view header, std::string_view name) {
  std::size_t start = 0;
  while (start < header.size()) {
    auto end = header.find(';', start);
    if (end == std::string_view::npos) end = header.size();
    std::string_view part = header.substr(start, end - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    if (part.size() > name.size() && part.substr(0, name.size()) == name && part[name.size()] == '=')
      return std::string(part.substr(name.size() + 1));
    start = end + 1;
  }
  return std::nullopt;
}

std::optional<std::string> FormValue(std::string_view body, std::string_view name) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::size_t start = 0;
  while (start <= body.size()) {
    auto end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view pair = body.substr(start, end - start);
    const auto eq = pair.find('=');
    if (eq != std::string_view::npos && pair.substr(0, eq) == name) {
      std::string out;
      const std::string_view v = pair.substr(eq + 1);
      for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '+') out += ' ';
        else if (v[i] == '%' && i + 2 < v.size() && hex(v[i + 1]) >= 0 && hex(v[i + 2]) >= 0) {
          out += static_cast<char>(hex(v[i + 1]) * 16 + hex(v[i + 2]));
          i += 2;
        } else out += v[i];
      }
      return out;
    }
    if (end == body.size()) break;
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace scandeck
