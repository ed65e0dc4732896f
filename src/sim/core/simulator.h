#pragma once
// The scanner behind a serial line: commands travel to it and replies back at the
// line's speed, and the line can be made to misbehave. Time comes from a Clock, so
// a test decides when things happen; the same seed and the same writes at the same
// times give the same bytes back.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/core/clock.h"
#include "link/core/serial_settings.h"
#include "sim/core/rng.h"
#include "sim/core/scanner.h"

namespace scandeck::sim {

// Each fault is off at its zero value.
struct LinkFaults {
  // Chance per reply that it stalls at a random point for 20 to 150 ms, so that
  // the program reads it in two pieces.
  double split_rate = 0.0;
  // Chance per reply that a line feed follows its carriage return.
  double line_feed_rate = 0.0;
  // Chance per reply that a random byte (never a carriage return) is inserted into it.
  double noise_rate = 0.0;
  // The cable is pulled this long after the port was first opened: nothing gets
  // through in either direction from then on.
  std::optional<std::chrono::milliseconds> disconnect_after;
};

struct SimulatorOptions {
  std::uint64_t seed = 1;
  // The scanner's own speed setting; a port opened at another speed, parity or
  // character size sees garbage and is not understood.
  SerialSettings line;
  // Characters take ten bits of line time each, so a fast talker's commands and
  // the replies to them queue up. Off: everything arrives at once.
  bool pacing = true;
  double activity_per_minute = 12.0;
  LinkFaults faults;
  // Memories and settings at power-on.
  ScannerState memories = DemoMemories();
};

class Simulator {
 public:
  enum class Direction { ToScanner, FromScanner };
  // Sees every complete line (without carriage return) as it is sent.
  using Observer = std::function<void(Direction, std::string_view line)>;

  Simulator(const Clock& clock, SimulatorOptions options = {});

  const SimulatorOptions& options() const { return options_; }
  Scanner& scanner() { return scanner_; }
  const ScannerState& state() const { return scanner_.state(); }
  ScannerState& state() { return scanner_.state(); }
  void setObserver(Observer observer) { observer_ = std::move(observer); }

  // The program's end of the cable. Nothing is delivered while detached: what the
  // scanner sends then is lost, as on a real line with nobody listening. Detaching
  // still lets the scanner hear what the program wrote before it.
  void attach(const SerialSettings& settings);
  void detach();
  // The program changed its line settings while attached (a pseudo-terminal's
  // owner sets them after opening).
  void reconfigure(const SerialSettings& settings) { port_settings_ = settings; }
  bool attached() const { return attached_; }
  bool disconnected() const;

  // Bytes the program writes now.
  void receive(std::string_view bytes);
  // Runs the scanner and the line up to the clock's time.
  void advance();
  // Bytes that have reached the program by now, after advance().
  std::size_t available();
  std::string take();

  // How long what the scanner has already sent takes to reach the program: the
  // staleness of the next reply it gives.
  std::chrono::microseconds outputBacklog() const;

  // When something next changes (a byte arrives, the scanner acts); for callers
  // that sleep between looks.
  std::chrono::milliseconds nextChange() const;

 private:
  struct Timed {
    std::int64_t at_us;  // when the byte has crossed the line
    char byte;
  };
  std::int64_t nowUs() const;
  std::int64_t charUs() const;
  void advanceTo(std::int64_t now);
  void send(std::string_view line, std::int64_t at_us);
  void handleLine(std::int64_t at_us);
  bool garbled() const;

  const Clock& clock_;
  SimulatorOptions options_;
  Scanner scanner_;
  Rng line_rng_;
  Observer observer_;

  bool attached_ = false;
  SerialSettings port_settings_;
  std::optional<std::int64_t> first_open_us_;
  std::deque<Timed> inbound_;   // on the way to the scanner
  std::deque<Timed> outbound_;  // on the way to the program
  std::int64_t inbound_free_us_ = 0;
  std::int64_t outbound_free_us_ = 0;
  std::string command_;  // what the scanner has received of the current line
};

}  // namespace scandeck::sim
