#pragma once
// What stands between the network and the scanner: the password's slow hash, the
// Host and Origin checks, the delay after failed logins and the sessions.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scandeck {

// libsodium's crypto_pwhash_str text (Argon2id, salted) for `password`, at a cost of
// about a tenth of a second; empty when the library cannot work.
std::string HashPassword(std::string_view password);
// Takes as long as the hash did: run it off the UI thread.
bool VerifyPassword(std::string_view hash, std::string_view password);

// The names a browser may put in the Host header for this server: `address` (unless
// it is a wildcard), "localhost", "127.0.0.1", "[::1]" and `more` (the machine's own
// addresses when serving on every interface). IPv6 addresses get their brackets.
std::vector<std::string> HostNames(std::string_view address, const std::vector<std::string>& more);
// "name:port" with one of `names`; a missing port counts as 80. Refusing the rest
// keeps a DNS-rebound name from reading the page.
bool HostAllowed(std::string_view host, const std::vector<std::string>& names, std::uint16_t port);
// A request that changes something, or a WebSocket, from a browser must come from
// the page itself: Origin "http://" + the request's own Host. No Origin at all is a
// program, not a page of another site (browsers send one on such requests).
bool OriginAllowed(std::string_view origin, std::string_view host);

using SteadyMs = std::chrono::milliseconds;

// Failed logins per client address: after the n-th failure the address waits
// 2^(n-1) seconds (at most an hour) before its next try, so 10 wrong passwords take
// more than eight minutes. At most kMaxAddresses are remembered; a full table
// forgets the one whose wait ended first.
class LoginThrottle {
 public:
  static constexpr std::size_t kMaxAddresses = 1024;
  // How long `address` must still wait; 0 when it may try now.
  SteadyMs waitFor(const std::string& address, SteadyMs now) const;
  void failed(const std::string& address, SteadyMs now);
  void succeeded(const std::string& address) { table_.erase(address); }
  std::size_t size() const { return table_.size(); }

 private:
  struct Entry {
    int failures = 0;
    SteadyMs until{0};
  };
  std::map<std::string, Entry> table_;
};

// Logged-in browsers by a random token in their cookie; in memory only, so a restart
// or a new password ends them all. At most kMaxSessions (the oldest goes).
class Sessions {
 public:
  static constexpr std::size_t kMaxSessions = 64;
  std::string open();
  bool valid(std::string_view token) const;
  void endAll() { tokens_.clear(); }
  std::size_t size() const { return tokens_.size(); }

 private:
  std::vector<std::string> tokens_;  // oldest first
};

inline constexpr const char* kSessionCookie = "scandeck_session";
// The value of cookie `name` in a Cookie header, or nothing.
std::optional<std::string> CookieValue(std::string_view header, std::string_view name);
// The value of `name` in an application/x-www-form-urlencoded body, decoded.
std::optional<std::string> FormValue(std::string_view body, std::string_view name);

}  // namespace scandeck
