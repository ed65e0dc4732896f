#pragma once
// Runs a check where file permissions apply: root passes every permission, so as
// root the body runs in a child dropped to "nobody". POSIX only.
#include <functional>
#include <optional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace scandeck::testing {

// The body returns a summary of what it saw; nullopt when privileges cannot be dropped.
inline std::optional<std::string> RunUnprivileged(const std::function<std::string()>& body) {
  if (::geteuid() != 0) return body();
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    const std::string summary = (::setgid(65534) == 0 && ::setuid(65534) == 0) ? body() : "";
    ::_exit(::write(fds[1], summary.data(), summary.size()) >= 0 ? 0 : 1);
  }
  ::close(fds[1]);
  std::string summary;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) summary.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  ::waitpid(child, nullptr, 0);
  return summary.empty() ? std::nullopt : std::optional(summary);
}

}  // namespace scandeck::testing
