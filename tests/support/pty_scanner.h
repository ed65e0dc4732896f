#pragma once
// The simulated scanner behind a real pseudo-terminal linked as com1 in a folder,
// as scandeck-sim runs it.
#include <QString>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/core/clock.h"
#include "sim/core/simulator.h"
#include "sim/tool/pty_bridge.h"

namespace scandeck::sim {

// scandeck-sim in miniature: the bridge runs on its own thread, which alone touches
// the simulator while it runs.
class PtyScanner {
 public:
  PtyScanner(const QString& folder, SimulatorOptions options) : simulator_(clock_, std::move(options)) {
    simulator_.setObserver([this](Simulator::Direction direction, std::string_view line) {
      const std::lock_guard lock(log_mutex_);
      log_.push_back((direction == Simulator::Direction::ToScanner ? "> " : "< ") + std::string(line));
    });
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
  // Every line either way so far, as scandeck-sim -v prints them ("> MD", "< MD00").
  std::vector<std::string> log() const {
    const std::lock_guard lock(log_mutex_);
    return log_;
  }

 private:
  scandeck::SteadyClock clock_;
  Simulator simulator_;
  PtyBridge bridge_{simulator_, clock_};
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex log_mutex_;
  std::vector<std::string> log_;
  bool ok_ = false;
  std::string error_;
};

}  // namespace scandeck::sim
