#pragma once
// The program's link on the simulated scanner, for end-to-end tests: a clock the
// test moves by hand, the scanner behind its serial line, and PagCom and Link on
// top. Build PollCycle, the decoders or a directory window's read on `link`, then
// step time with run().
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/core/clock.h"
#include "common/core/reporter.h"
#include "link/core/link.h"
#include "link/core/pag_com.h"
#include "sim/core/simulated_port.h"
#include "sim/core/simulator.h"

namespace scandeck::sim {

class CollectingReporter final : public Reporter {
 public:
  void report(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

// A quiet band and a clean line, so that only what a test asks for happens.
inline SimulatorOptions QuietOptions(std::uint64_t seed = 1) {
  SimulatorOptions options;
  options.seed = seed;
  options.activity_per_minute = 0.0;
  return options;
}

struct SimRig {
  explicit SimRig(SimulatorOptions options = QuietOptions()) : simulator(clock, std::move(options)) {}

  // Opens the link as start-up does; false (with `failure` set) when it cannot.
  bool open(const std::string& settings = "9600,n,8,1", int port_number = 1) {
    pag_com.setPortNumber(port_number);
    pag_com.setSettings(settings);
    failure.clear();
    return pag_com.open(failure);
  }

  // Moves the clock forward by `total` in steps of `step`, calling `each` after every
  // step (a timer tick: PollCycle::MainTimer_Timer, a directory window's timer).
  void run(std::chrono::milliseconds total, std::chrono::milliseconds step,
           const std::function<void()>& each = {}) {
    for (std::chrono::milliseconds done{0}; done < total; done += step) {
      clock.advance(step);
      simulator.advance();
      if (each) each();
    }
  }
  void advance(std::chrono::milliseconds by) {
    clock.advance(by);
    simulator.advance();
  }

  ManualClock clock;
  Simulator simulator;
  SimulatedPort port{simulator};
  PagCom pag_com{port};
  CollectingReporter reporter;
  Link link{pag_com, reporter};
  Failure failure;
};

}  // namespace scandeck::sim
