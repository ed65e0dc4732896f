#pragma once
// A bare pseudo-terminal standing in for a USB serial adapter: a device that
// exists and opens like one, with nothing answering behind it.
#include <pty.h>
#include <unistd.h>

#include <string>

namespace scandeck::testing {

struct PtyPair {
  int master = -1, slave = -1;
  std::string name;  // "/dev/pts/7"; empty when the system gave none
  PtyPair() {
    char buffer[128] = {};
    if (::openpty(&master, &slave, buffer, nullptr, nullptr) == 0) name = buffer;
  }
  ~PtyPair() {
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;
};

}  // namespace scandeck::testing
