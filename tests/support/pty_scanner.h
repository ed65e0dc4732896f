#pragma once
// The simulated scanner behind a real pseudo-terminal linked as com1 in a folder,
// as scandeck-sim runs it.
#include <QString>

#include <atomic>
#include <thread>

#include "common/core/clock.h"
#include "sim/core/simulator.h"
#include "sim/tool/pty_bridge.h"

namespace scandeck::sim {

// scandeck-sim in miniature: the bridge runs on its own thread, which alone touches
// the simulator while it runs.
class PtyScanner {
 public:
  PtyScanner(const QString& folder, SimulatorOptions options) : simulator_(clock_, std::move(options)) {
    std::string error;
    ok_ = bridge_.open(error) && bridge_.linkAs(folder.toStdString() + "/com1", error);
    error_ = error;
    if (ok_)
      thread_ = std::thread([this] {
        while (!stop_) bridge_.step(std::chrono::milliseconds{5});
      });
  }
  ~PtyScanner() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }

 private:
  scandeck::SteadyClock clock_;
  Simulator simulator_;
  PtyBridge bridge_{simulator_, clock_};
  std::atomic<bool> stop_{false};
  std::thread thread_;
  bool ok_ = false;
  std::string error_;
};

}  // namespace scandeck::sim
