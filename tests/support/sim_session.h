#pragma once
// The whole program (MainCore and MainWindow) on the simulated scanner in process,
// in a fresh folder, with the test moving the scanner's time one poll tick at a time.
#include <QTest>

#include <functional>
#include <memory>

#include "sim/core/sim_fixture.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"
#include "ui/qt/main_window.h"

namespace scandeck::testing {

struct SimSession {
  // `prepare` writes into the folder before the program starts (a directory, say).
  explicit SimSession(sim::SimulatorOptions options = sim::QuietOptions(),
                      const std::function<void(TempDir&)>& prepare = {}) {
    if (prepare) prepare(folder);
    simulator = std::make_unique<sim::Simulator>(clock, std::move(options));
    port = std::make_unique<sim::SimulatedPort>(*simulator);
    core = std::make_unique<MainCore>(*port, desktop, folder.path.string(), '.', &clock);
    window = std::make_unique<MainWindow>(*core);
    window->Form_Load();
    window->mainTimer().stop();
  }
  // `n` poll ticks; `wait_ms` lets the event loop (network, timers) run after each.
  void ticks(int n, int wait_ms = 0) {
    for (int i = 0; i < n; ++i) {
      clock.advance(std::chrono::milliseconds(kPollIntervalMs));
      simulator->advance();
      window->MainTimer_Timer();
      if (wait_ms) QTest::qWait(wait_ms);
    }
  }
  template <typename T = QWidget>
  T* at(const char* name) {
    return window->findChild<T*>(name);
  }

  TempDir folder;
  ManualClock clock;
  std::unique_ptr<sim::Simulator> simulator;
  std::unique_ptr<sim::SimulatedPort> port;
  FakeDesktop desktop;
  std::unique_ptr<MainCore> core;
  std::unique_ptr<MainWindow> window;
};

}  // namespace scandeck::testing
