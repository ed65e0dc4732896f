// scandeck-sim: the simulated scanner on a pseudo-terminal, linked as comN in a
// folder, so that the program (or stty and cat) can open it like a serial port.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "common/core/clock.h"
#include "sim/core/simulator.h"

namespace {

using scandeck::SerialSettings;
using scandeck::sim::Simulator;
using scandeck::sim::SimulatorOptions;

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

const char kUsage[] =
    "usage: scandeck-sim [options]\n"
    "Runs a simulated BC245XLT scanner on a pseudo-terminal and links it as comN\n"
    "in a folder, until interrupted (Ctrl-C) or terminated.\n"
    "\n"
    "  --folder DIR        folder for the comN link (default: the current folder)\n"
    "  --port N            port number N of comN (default 1)\n"
    "  --seed N            seed of what the scanner hears and of the line faults (default 1)\n"
    "  --speed BAUD        the scanner's speed setting: 2400, 4800, 9600 or 19200 (default 9600);\n"
    "                      a port opened at another speed sees garbage\n"
    "  --activity N        transmissions heard per minute on average, 0 for none (default 12)\n"
    "  --no-pacing         answer at once instead of at the line's speed\n"
    "  --split P           chance per reply (0 to 1) that it stalls part way (default 0)\n"
    "  --line-feeds P      chance per reply of a stray line feed after it (default 0)\n"
    "  --noise P           chance per reply of a noise byte inside it (default 0)\n"
    "  --disconnect SECS   the cable comes out SECS seconds after the port is first opened\n"
    "  --squelch-on        start with the squelch and talkgroup reports on (as after QUN, IDN)\n"
    "  -v, --verbose       print every line sent either way\n"
    "  -h, --help          this text\n";

struct ToolOptions {
  std::filesystem::path folder = ".";
  int port = 1;
  bool verbose = false;
  SimulatorOptions sim;
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "scandeck-sim: %s\n", message.c_str());
  std::exit(2);
}

double Number(const char* option, const char* text, double low, double high) {
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || value < low || value > high)
    Fail(std::string("bad value for ") + option + ": " + text);
  return value;
}

ToolOptions ParseArguments(int argc, char** argv) {
  ToolOptions options;
  options.sim.activity_per_minute = 12.0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&]() -> const char* {
      if (i + 1 >= argc) Fail(std::string("missing value for ") + argv[i]);
      return argv[++i];
    };
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--folder") {
      options.folder = value();
    } else if (arg == "--port") {
      options.port = static_cast<int>(Number("--port", value(), 1, 255));
    } else if (arg == "--seed") {
      const char* text = value();
      char* end = nullptr;
      errno = 0;
      const unsigned long long seed = std::strtoull(text, &end, 10);
      if (errno != 0 || end == text || *end != '\0') Fail(std::string("bad value for --seed: ") + text);
      options.sim.seed = seed;
    } else if (arg == "--speed") {
      const int baud = static_cast<int>(Number("--speed", value(), 0, 1e6));
      if (baud != 2400 && baud != 4800 && baud != 9600 && baud != 19200)
        Fail("the scanner's speed is 2400, 4800, 9600 or 19200");
      options.sim.line.baud = baud;
    } else if (arg == "--activity") {
      options.sim.activity_per_minute = Number("--activity", value(), 0, 6000);
    } else if (arg == "--no-pacing") {
      options.sim.pacing = false;
    } else if (arg == "--split") {
      options.sim.faults.split_rate = Number("--split", value(), 0, 1);
    } else if (arg == "--line-feeds") {
      options.sim.faults.line_feed_rate = Number("--line-feeds", value(), 0, 1);
    } else if (arg == "--noise") {
      options.sim.faults.noise_rate = Number("--noise", value(), 0, 1);
    } else if (arg == "--disconnect") {
      const double seconds = Number("--disconnect", value(), 0, 1e7);
      options.sim.faults.disconnect_after = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    } else if (arg == "--squelch-on") {
      options.sim.memories.squelch_reports = true;
      options.sim.memories.id_reports = true;
    } else if (arg == "-v" || arg == "--verbose") {
      options.verbose = true;
    } else {
      Fail(std::string("unknown option ") + argv[i] + " (try --help)");
    }
  }
  return options;
}

std::string Printable(std::string_view line) {
  std::string out;
  for (char c : line) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    }
  }
  return out;
}

std::string SettingsText(const SerialSettings& s) {
  using P = SerialSettings::Parity;
  const char parity = s.parity == P::Even ? 'e' : s.parity == P::Odd ? 'o' : s.parity == P::Mark ? 'm' : s.parity == P::Space ? 's' : 'n';
  const char* stop = s.stop_bits == SerialSettings::StopBits::One ? "1" : s.stop_bits == SerialSettings::StopBits::Two ? "2" : "1.5";
  return std::to_string(s.baud) + "," + parity + "," + std::to_string(s.data_bits) + "," + stop;
}

// The line settings the program has put on the pseudo-terminal; a master sees its slave's.
SerialSettings SettingsOf(int fd) {
  SerialSettings s;
  termios t{};
  if (tcgetattr(fd, &t) != 0) return s;
  static constexpr struct {
    speed_t code;
    int baud;
  } kSpeeds[] = {{B300, 300},     {B600, 600},     {B1200, 1200},   {B2400, 2400},     {B4800, 4800},
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

speed_t SpeedCode(int baud) {
  switch (baud) {
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    default: return B9600;
  }
}

// Drops what the last program left unread, so the next one starts on a clean line.
void FlushSlave(const std::string& slave_name) {
  const int fd = ::open(slave_name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return;
  tcflush(fd, TCIOFLUSH);
  ::close(fd);
}

const char* ModeName(scandeck::sim::Mode mode) {
  using M = scandeck::sim::Mode;
  switch (mode) {
    case M::Scan: return "scan";
    case M::Manual: return "manual";
    case M::LimitSearch: return "limit search";
    case M::HoldSearch: return "hold search";
    case M::ServiceSearch: return "service search";
    case M::ServiceSearchHold: return "service search, held";
    case M::IdAcquire: return "trunk, finding the control channel";
    case M::IdSearch: return "ID search";
    case M::IdSearchHold: return "ID search, held";
    case M::ScanId: return "scan ID";
    case M::HoldId: return "hold ID";
  }
  return "?";
}

}  // namespace

int main(int argc, char** argv) {
  const ToolOptions options = ParseArguments(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);

  std::error_code ec;
  if (!std::filesystem::is_directory(options.folder, ec)) Fail("no such folder: " + options.folder.string());
  const std::filesystem::path link = std::filesystem::absolute(options.folder, ec) / ("com" + std::to_string(options.port));

  int master = -1;
  int slave = -1;
  char slave_name[256] = {};
  if (openpty(&master, &slave, slave_name, nullptr, nullptr) != 0) Fail(std::string("openpty: ") + std::strerror(errno));
  // Raw, at the scanner's speed, until the program sets its own line settings.
  termios raw{};
  tcgetattr(master, &raw);
  cfmakeraw(&raw);
  cfsetspeed(&raw, SpeedCode(options.sim.line.baud));
  tcsetattr(master, TCSANOW, &raw);
  // Only the program holds the slave open, so its closing shows as a hang-up.
  ::close(slave);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

  if (std::filesystem::is_symlink(link, ec)) {
    std::printf("replacing the old link %s\n", link.c_str());
    std::filesystem::remove(link, ec);
  } else if (std::filesystem::exists(link, ec)) {
    ::close(master);
    Fail(link.string() + " exists and is not a link; not touching it");
  }
  std::filesystem::create_symlink(slave_name, link, ec);
  if (ec) {
    ::close(master);
    Fail("cannot create " + link.string() + ": " + ec.message());
  }

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  scandeck::SteadyClock clock;
  Simulator simulator(clock, options.sim);
  if (options.verbose) {
    simulator.setObserver([](Simulator::Direction direction, std::string_view line) {
      std::printf("%s %s\n", direction == Simulator::Direction::ToScanner ? ">" : "<", Printable(line).c_str());
    });
  }

  const auto& o = options.sim;
  std::printf("scanner on %s, linked as %s\n", slave_name, link.c_str());
  std::printf("speed %s, seed %llu, %g transmissions a minute, pacing %s\n", SettingsText(o.line).c_str(),
              static_cast<unsigned long long>(o.seed), o.activity_per_minute, o.pacing ? "on" : "off");
  if (o.faults.split_rate > 0 || o.faults.line_feed_rate > 0 || o.faults.noise_rate > 0)
    std::printf("line faults: split %g, line feeds %g, noise %g per reply\n", o.faults.split_rate,
                o.faults.line_feed_rate, o.faults.noise_rate);
  if (o.faults.disconnect_after)
    std::printf("the cable comes out %g s after the port is first opened\n",
                static_cast<double>(o.faults.disconnect_after->count()) / 1000.0);
  std::printf("waiting for the program; Ctrl-C ends\n");

  std::string pending;  // due for the program, not yet taken by the pseudo-terminal
  SerialSettings settings;
  auto mode = simulator.state().mode;
  bool remote = simulator.state().remote;
  bool was_disconnected = false;
  while (!g_stop) {
    pollfd p{master, POLLIN, 0};
    int timeout_ms = 20;
    if (simulator.attached()) {
      const auto next = simulator.nextChange();
      if (!pending.empty()) timeout_ms = 1;
      else if (next != std::chrono::milliseconds::max())
        timeout_ms = static_cast<int>(std::clamp<long long>((next - clock.now()).count(), 1, 20));
    }
    const int ready = ::poll(&p, 1, timeout_ms);
    if (ready < 0 && errno != EINTR) Fail(std::string("poll: ") + std::strerror(errno));

    const bool hung_up = ready > 0 && (p.revents & POLLHUP) && !(p.revents & POLLIN);
    if (hung_up) {
      if (simulator.attached()) {
        simulator.detach();
        pending.clear();
        FlushSlave(slave_name);
        std::printf("the program closed the port\n");
      }
      simulator.advance();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else {
      if (!simulator.attached()) {
        settings = SettingsOf(master);
        if (!simulator.state().remote) {
          // Somebody has been at the front panel and put it back into PC Con mode.
          simulator.state().remote = true;
          std::printf("the scanner is back under remote control\n");
        }
        simulator.attach(settings);
        std::printf("the program opened the port (%s)\n", SettingsText(settings).c_str());
      } else {
        const SerialSettings now_set = SettingsOf(master);
        if (!(now_set == settings)) {
          settings = now_set;
          simulator.reconfigure(settings);
          std::printf("the program set the line to %s%s\n", SettingsText(settings).c_str(),
                      now_set.baud == o.line.baud && now_set.data_bits == o.line.data_bits &&
                              now_set.parity == o.line.parity
                          ? ""
                          : " (the scanner cannot understand it)");
        }
      }
      if (p.revents & POLLIN) {
        char buffer[512];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) simulator.receive(std::string_view(buffer, static_cast<std::size_t>(n)));
      }
      pending += simulator.take();
      if (!pending.empty()) {
        const ssize_t n = ::write(master, pending.data(), pending.size());
        if (n > 0) pending.erase(0, static_cast<std::size_t>(n));
      }
    }

    if (simulator.state().mode != mode) {
      mode = simulator.state().mode;
      std::printf("mode %s: %s\n", scandeck::sim::ModeDigits(mode).c_str(), ModeName(mode));
    }
    if (simulator.state().remote != remote) {
      remote = simulator.state().remote;
      if (!remote) std::printf("the scanner left remote control (KEY04H)\n");
    }
    if (simulator.disconnected() && !was_disconnected) {
      was_disconnected = true;
      std::printf("the cable is out: nothing gets through any more\n");
    }
  }

  std::printf("\nstopping\n");
  std::error_code remove_error;
  if (std::filesystem::is_symlink(link, remove_error) && std::filesystem::read_symlink(link, remove_error) == slave_name)
    std::filesystem::remove(link, remove_error);
  ::close(master);
  return 0;
}
