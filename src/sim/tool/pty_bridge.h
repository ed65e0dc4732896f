#pragma once
// Puts a Simulator on a POSIX pseudo-terminal: the program opens the slave side
// (through a comN link) as a serial port; this end moves bytes between the master
// side and the simulator at the simulator's pace. Used by scandeck-sim and by the
// pseudo-terminal test. POSIX, not part of the standard-C++ core.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include "common/core/clock.h"
#include "sim/core/simulator.h"

namespace scandeck::sim {

// The line settings the program has put on the pseudo-terminal; the master sees its slave's.
inline SerialSettings PtySettings(int fd) {
  SerialSettings s;
  termios t{};
  if (tcgetattr(fd, &t) != 0) return s;
  static constexpr struct {
    speed_t code;
    int baud;
  } kSpeeds[] = {{B300, 300},     {B600, 600},     {B1200, 1200},   {B2400, 2400},   {B4800, 4800},
                 {B9600, 9600},   {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
  const speed_t speed = cfgetospeed(&t);
  s.baud = 0;
  for (const auto& entry : kSpeeds)
    if (entry.code == speed) s.baud = entry.baud;
  switch (t.c_cflag & CSIZE) {
    case CS5: s.data_bits = 5; break;
    case CS6: s.data_bits = 6; break;
    case CS7: s.data_bits = 7; break;
    default: s.data_bits = 8; break;
  }
  using P = SerialSettings::Parity;
  if (!(t.c_cflag & PARENB)) s.parity = P::None;
#ifdef CMSPAR
  else if (t.c_cflag & CMSPAR) s.parity = (t.c_cflag & PARODD) ? P::Mark : P::Space;
#endif
  else s.parity = (t.c_cflag & PARODD) ? P::Odd : P::Even;
  s.stop_bits = (t.c_cflag & CSTOPB) ? SerialSettings::StopBits::Two : SerialSettings::StopBits::One;
  return s;
}

inline std::string SettingsText(const SerialSettings& s) {
  using P = SerialSettings::Parity;
  const char parity = s.parity == P::Even    ? 'e'
                      : s.parity == P::Odd   ? 'o'
                      : s.parity == P::Mark  ? 'm'
                      : s.parity == P::Space ? 's'
                                             : 'n';
  const char* stop = s.stop_bits == SerialSettings::StopBits::One   ? "1"
                     : s.stop_bits == SerialSettings::StopBits::Two ? "2"
                                                                    : "1.5";
  return std::to_string(s.baud) + "," + parity + "," + std::to_string(s.data_bits) + "," + stop;
}

class PtyBridge {
 public:
  enum class Event { None, Opened, Closed, Reconfigured };

  PtyBridge(Simulator& simulator, const Clock& clock) : simulator_(simulator), clock_(clock) {}
  ~PtyBridge() {
    unlink();
    if (master_ >= 0) ::close(master_);
  }
  PtyBridge(const PtyBridge&) = delete;
  PtyBridge& operator=(const PtyBridge&) = delete;

  // Creates the pseudo-terminal, raw and at the scanner's speed until the program
  // sets its own line. False with `error` set when the system refuses.
  bool open(std::string& error) {
    int slave = -1;
    char name[256] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
      error = std::string("openpty: ") + std::strerror(errno);
      return false;
    }
    slave_name_ = name;
    termios raw{};
    tcgetattr(master_, &raw);
    cfmakeraw(&raw);
    cfsetspeed(&raw, SpeedCode(simulator_.options().line.baud));
    tcsetattr(master_, TCSANOW, &raw);
    // Only the program holds the slave open, so its closing shows here as a hang-up.
    ::close(slave);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    return true;
  }

  const std::string& slaveName() const { return slave_name_; }
  const SerialSettings& settings() const { return settings_; }

  // Makes `path` a symbolic link to the slave; an old link there is replaced, anything
  // else is left alone and refused.
  bool linkAs(const std::filesystem::path& path, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
      std::filesystem::remove(path, ec);
    } else if (std::filesystem::exists(path, ec)) {
      error = path.string() + " exists and is not a link; not touching it";
      return false;
    }
    std::filesystem::create_symlink(slave_name_, path, ec);
    if (ec) {
      error = "cannot create " + path.string() + ": " + ec.message();
      return false;
    }
    link_ = path;
    return true;
  }

  // Removes the link if it still points at this pseudo-terminal.
  void unlink() {
    if (link_.empty()) return;
    std::error_code ec;
    if (std::filesystem::is_symlink(link_, ec) && std::filesystem::read_symlink(link_, ec) == slave_name_)
      std::filesystem::remove(link_, ec);
    link_.clear();
  }

  // One look at the line: waits at most `max_wait` for the program or for the
  // simulator's next change, then moves what is due in both directions.
  Event step(std::chrono::milliseconds max_wait = std::chrono::milliseconds{20}) {
    pollfd p{master_, POLLIN, 0};
    int timeout = static_cast<int>(max_wait.count());
    if (simulator_.attached()) {
      const auto next = simulator_.nextChange();
      if (!pending_.empty())
        timeout = 1;
      else if (next != std::chrono::milliseconds::max())
        timeout = static_cast<int>(std::clamp<long long>((next - clock_.now()).count(), 1, max_wait.count()));
    }
    const int ready = ::poll(&p, 1, timeout);
    if (ready > 0 && (p.revents & POLLHUP) && !(p.revents & POLLIN)) {
      Event event = Event::None;
      if (simulator_.attached()) {
        // The hang-up can be seen before the last bytes: a read still returns them.
        readAll();
        simulator_.detach();
        pending_.clear();
        flushSlave();
        event = Event::Closed;
      }
      simulator_.advance();
      // Nobody on the line: look again a little later rather than spin on the hang-up.
      std::this_thread::sleep_for(std::min(max_wait, std::chrono::milliseconds{10}));
      return event;
    }

    Event event = Event::None;
    if (!simulator_.attached()) {
      settings_ = PtySettings(master_);
      if (!simulator_.state().remote) {
        // Somebody has been at the front panel and put it back into PC Con mode.
        simulator_.state().remote = true;
      }
      simulator_.attach(settings_);
      event = Event::Opened;
    } else if (const SerialSettings now = PtySettings(master_); !(now == settings_)) {
      settings_ = now;
      simulator_.reconfigure(settings_);
      event = Event::Reconfigured;
    }
    if (ready > 0 && (p.revents & POLLIN)) readAll();
    pending_ += simulator_.take();
    if (!pending_.empty()) {
      const ssize_t n = ::write(master_, pending_.data(), pending_.size());
      if (n > 0) pending_.erase(0, static_cast<std::size_t>(n));
    }
    return event;
  }

 private:
  static speed_t SpeedCode(int baud) {
    switch (baud) {
      case 2400: return B2400;
      case 4800: return B4800;
      case 19200: return B19200;
      default: return B9600;
    }
  }

  // Hands the simulator everything the program has written so far.
  void readAll() {
    char buffer[512];
    ssize_t n;
    while ((n = ::read(master_, buffer, sizeof buffer)) > 0)
      simulator_.receive(std::string_view(buffer, static_cast<std::size_t>(n)));
  }

  // Drops what the last program left unread: a pseudo-terminal keeps it for the next
  // one, where a serial line would have lost it.
  void flushSlave() {
    const int fd = ::open(slave_name_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return;
    tcflush(fd, TCIOFLUSH);
    ::close(fd);
  }

  Simulator& simulator_;
  const Clock& clock_;
  int master_ = -1;
  std::string slave_name_;
  std::filesystem::path link_;
  SerialSettings settings_;
  std::string pending_;  // due for the program, not yet taken by the pseudo-terminal
};

}  // namespace scandeck::sim
