// scandeck-sim: the simulated scanner on a pseudo-terminal, linked as comN in a
// folder, so that the program (or stty and cat) can open it like a serial port.
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/core/clock.h"
#include "sim/core/air_tone.h"
#include "sim/core/simulator.h"
#include "sim/tool/pty_bridge.h"
#include "sim/tool/tone_output.h"

namespace {

using scandeck::SerialSettings;
using scandeck::sim::PtyBridge;
using scandeck::sim::SettingsText;
using scandeck::sim::Simulator;
using scandeck::sim::SimulatorOptions;

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

const char kUsage[] =
    "usage: scandeck-sim [options]\n"
    "Runs a simulated BC245XLT scanner on a pseudo-terminal and links it as comN\n"
    "in a folder, until interrupted (Ctrl-C) or terminated.\n"
    "\n"
    "  --folder DIR        folder for the comN link, made if missing (default: the current folder)\n"
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
    "  --audio             play each transmission on the default sound output, a tone per\n"
    "                      channel or talkgroup starting 0.3 s before it is reported, and\n"
    "                      print each one (see the manual page for the tones)\n"
    "  -v, --verbose       print every line sent either way\n"
    "  -h, --help          this text\n";

struct ToolOptions {
  std::filesystem::path folder = ".";
  int port = 1;
  bool verbose = false;
  bool audio = false;
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
    } else if (arg == "--audio") {
      options.audio = true;
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

// Makes `folder` and its missing parents, each new one private (0700), as the XDG base
// directory rules ask of a data folder; a fresh account has no ~/.local/share/scandeck.
void MakeFolder(const std::filesystem::path& folder) {
  std::filesystem::path so_far;
  for (const auto& part : folder) {
    so_far /= part;
    if (::mkdir(so_far.c_str(), 0700) != 0 && errno != EEXIST)
      Fail("cannot make folder " + so_far.string() + ": " + std::strerror(errno));
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) Fail("not a folder: " + folder.string());
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

  MakeFolder(options.folder);
  std::error_code ec;
  const std::filesystem::path link = std::filesystem::absolute(options.folder, ec).lexically_normal() / ("com" + std::to_string(options.port));

  scandeck::SteadyClock clock;
  Simulator simulator(clock, options.sim);
  PtyBridge bridge(simulator, clock);
  std::string error;
  if (!bridge.open(error) || !bridge.linkAs(link, error)) Fail(error);

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  if (options.verbose) {
    simulator.setObserver([&simulator](Simulator::Direction direction, std::string_view line) {
      // What the scanner says with nobody on the line is noise in the log.
      if (!simulator.attached()) return;
      std::printf("%s %s\n", direction == Simulator::Direction::ToScanner ? ">" : "<", Printable(line).c_str());
    });
  }

  const auto& o = options.sim;
  std::printf("scanner on %s, linked as %s\n", bridge.slaveName().c_str(), link.c_str());
  std::printf("speed %s, seed %llu, %g transmissions a minute, pacing %s\n", SettingsText(o.line).c_str(),
              static_cast<unsigned long long>(o.seed), o.activity_per_minute, o.pacing ? "on" : "off");
  if (o.faults.split_rate > 0 || o.faults.line_feed_rate > 0 || o.faults.noise_rate > 0)
    std::printf("line faults: split %g, line feeds %g, noise %g per reply\n", o.faults.split_rate,
                o.faults.line_feed_rate, o.faults.noise_rate);
  if (o.faults.disconnect_after)
    std::printf("the cable comes out %g s after the port is first opened\n",
                static_cast<double>(o.faults.disconnect_after->count()) / 1000.0);
  // The speaker leads the reports by this much, as a real scanner's audio reaches the
  // sound card before the poll learns of the call.
  constexpr std::chrono::milliseconds kAudioLead{300};
  scandeck::sim::AirTone air(kAudioLead);
  scandeck::sim::ToneOutput speaker;
  bool audio = options.audio;
  if (audio) {
    std::string why;
    audio = speaker.start(why);
    if (!audio) std::printf("no sound output (%s): going on without audio\n", why.c_str());
  }
  std::string on_air;
  std::printf("waiting for the program; Ctrl-C ends\n");

  auto mode = simulator.state().mode;
  bool remote = simulator.state().remote;
  bool was_disconnected = false;
  while (!g_stop) {
    switch (bridge.step()) {
      case PtyBridge::Event::Opened:
        std::printf("the program opened the port (%s)\n", SettingsText(bridge.settings()).c_str());
        break;
      case PtyBridge::Event::Closed:
        std::printf("the program closed the port\n");
        break;
      case PtyBridge::Event::Reconfigured: {
        const SerialSettings& set = bridge.settings();
        const bool matches = set.baud == o.line.baud && set.data_bits == o.line.data_bits && set.parity == o.line.parity;
        std::printf("the program set the line to %s%s\n", SettingsText(set).c_str(),
                    matches ? "" : " (not the scanner's setting: it sees garbage)");
        break;
      }
      case PtyBridge::Event::None:
        break;
    }
    if (simulator.state().mode != mode) {
      mode = simulator.state().mode;
      std::printf("mode %s: %s\n", scandeck::sim::ModeDigits(mode).c_str(), ModeName(mode));
    }
    if (simulator.state().remote != remote) {
      remote = simulator.state().remote;
      std::printf(remote ? "the scanner is back under remote control\n"
                         : "the scanner left remote control (KEY04H)\n");
    }
    if (options.audio) {
      const auto now = clock.now();
      if (audio) {
        speaker.set(air.at(simulator.scanner(), now).hz);
        if (speaker.lost()) {
          audio = false;
          std::printf("no sound output (no sound server?): going on without audio\n");
        }
      }
      const scandeck::sim::OnAir heard = scandeck::sim::HeardNow(simulator.scanner());
      if (heard.what != on_air) {
        if (!on_air.empty()) std::printf("%lld ms: off air: %s\n", static_cast<long long>(now.count()), on_air.c_str());
        if (!heard.what.empty())
          std::printf("%lld ms: on air: %s, %g Hz\n", static_cast<long long>(now.count()), heard.what.c_str(), heard.hz);
        on_air = heard.what;
      }
    }
    if (simulator.disconnected() && !was_disconnected) {
      was_disconnected = true;
      std::printf("the cable is out: nothing gets through any more\n");
    }
  }

  std::printf("\nstopping\n");
  bridge.unlink();
  return 0;
}
