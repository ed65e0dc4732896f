// How late the display is: the time from something the scanner does (its squelch
// opens, a talkgroup starts, its mode changes) to the tick that decodes it, against
// the paced simulator on a simulated clock, and the scanner's output backlog at the
// end. Arguments: baud, trunk mode (0/1), follow-up retry runs (0 = every follow-up
// is written, as without the gate), poll retry ticks (0 = all three poll commands
// every tick, as without the poll's own gate).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <deque>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "link/core/poll_cycle.h"
#include "link/core/protocol.h"
#include "sim/core/demo_plan.h"
#include "sim/core/sim_fixture.h"
#include "status/core/process_replies.h"
#include "status/core/status_sweep.h"

namespace {

using namespace scandeck;
using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

constexpr Ms kTraffic = 300s;  // measured, after the set-up
constexpr Ms kKeyEvery = 3s;   // a mode change the user asks for

struct Latencies {
  std::vector<double> squelch, talkgroup, mode;
  double backlog_ms = 0;      // at the end
  double max_backlog_ms = 0;  // over the last minute
};

// Hands the slots on after noting when each report of interest is decoded.
class Watch final : public ReplyProcessor {
 public:
  Watch(ReplyProcessor& inner, const ManualClock& clock) : inner_(inner), clock_(clock) {}
  void sent(std::string_view line) {
    if (line == "+") squelch_.push_back(clock_.now());
    if (protocol::reply::HasCode(line, protocol::reply::kTalkgroupStart)) talkgroup_.push_back(clock_.now());
  }
  void ProcessReplies(ReplySlots& replies) override {
    for (int slot = 1; slot <= kReplySlots; ++slot) {
      const std::string& r = replies[slot];
      if (r == "+") take(squelch_, out->squelch);
      if (protocol::reply::HasCode(r, protocol::reply::kTalkgroupStart)) take(talkgroup_, out->talkgroup);
    }
    inner_.ProcessReplies(replies);
  }
  Latencies* out = nullptr;
  bool measuring = false;

 private:
  void take(std::deque<Ms>& sent, std::vector<double>& into) {
    if (sent.empty()) return;
    if (measuring) into.push_back(static_cast<double>((clock_.now() - sent.front()).count()));
    sent.pop_front();
  }
  ReplyProcessor& inner_;
  const ManualClock& clock_;
  std::deque<Ms> squelch_, talkgroup_;
};

Latencies Measure(int baud, bool trunk, int retry_runs, int poll_retry) {
  sim::SimulatorOptions options = sim::QuietOptions(11);
  options.activity_per_minute = 40;
  const std::string settings = std::to_string(baud) + ",n,8,1";
  options.line = *SerialSettings::Parse(settings);
  sim::SimRig rig(options);

  FreqDirectory channels;
  IdDirectory talkgroups;
  for (const auto& c : sim::kDemoChannels) {
    channels[c.channel].frequency = FormatFrequencyMhz(c.units * 0.0001, '.');
    channels[c.channel].name = c.name;
  }
  ScannerStatus status;
  CompactView compact;
  StatusProcessor processor{rig.link, rig.reporter, status, compact, channels, talkgroups, '.'};
  processor.setFollowUpRetry(retry_runs);
  Watch watch(processor, rig.clock);
  Latencies result;
  watch.out = &result;
  rig.simulator.setObserver([&](sim::Simulator::Direction d, std::string_view line) {
    if (d == sim::Simulator::Direction::FromScanner) watch.sent(line);
  });
  PollCycle poll{rig.link, watch};
  poll.setPollRetry(poll_retry);
  rig.open(settings);
  poll.setEnabled(true);
  ResetAllStatus(rig.link);

  sim::Mode mode = rig.simulator.state().mode;
  std::optional<std::pair<sim::Mode, Ms>> mode_change;
  bool hold = false;
  auto step = [&](Ms total) {
    rig.run(total, 1ms, [&] {
      const Ms now = rig.clock.now();
      if (rig.simulator.state().mode != mode) {
        mode = rig.simulator.state().mode;
        mode_change = {mode, now};
      }
      if (now.count() % kPollIntervalMs) return;
      poll.MainTimer_Timer();
      if (mode_change && status.ModeCode == static_cast<int>(mode_change->first)) {
        if (watch.measuring) result.mode.push_back(static_cast<double>((now - mode_change->second).count()));
        mode_change.reset();
      }
      if (watch.measuring && now.count() % kKeyEvery.count() == 0) {
        hold = !hold;
        const auto key = trunk ? protocol::cmd::kKeyHold : hold ? protocol::cmd::kKeyManual : protocol::cmd::kKeyScan;
        rig.link.SendCommand(key);
      }
    });
  };
  step(2s);
  if (trunk) {
    rig.link.SendCommand(protocol::cmd::kKeyTrunk);
    step(5s);
  }
  watch.measuring = true;
  const Ms end = rig.clock.now() + kTraffic;
  while (rig.clock.now() < end) {
    step(1s);
    const double backlog = static_cast<double>(rig.simulator.outputBacklog().count()) / 1000.0;
    if (end - rig.clock.now() <= 60s) result.max_backlog_ms = std::max(result.max_backlog_ms, backlog);
    result.backlog_ms = backlog;
  }
  return result;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  const auto rank = static_cast<std::size_t>(std::max(0.0, std::ceil(p * static_cast<double>(v.size())) - 1));
  return v[std::min(rank, v.size() - 1)];
}

void BM_StatusLatency(benchmark::State& state) {
  Latencies l;
  for (auto _ : state) l = Measure(static_cast<int>(state.range(0)), state.range(1) != 0, static_cast<int>(state.range(2)),
                static_cast<int>(state.range(3)));
  std::vector<double> all = l.squelch;
  all.insert(all.end(), l.talkgroup.begin(), l.talkgroup.end());
  all.insert(all.end(), l.mode.begin(), l.mode.end());
  auto& c = state.counters;
  c["n_sq"] = static_cast<double>(l.squelch.size());
  c["n_tg"] = static_cast<double>(l.talkgroup.size());
  c["n_md"] = static_cast<double>(l.mode.size());
  c["all_p50"] = Percentile(all, 0.5);
  c["all_p99"] = Percentile(all, 0.99);
  c["sq_p50"] = Percentile(l.squelch, 0.5);
  c["sq_p99"] = Percentile(l.squelch, 0.99);
  c["tg_p50"] = Percentile(l.talkgroup, 0.5);
  c["tg_p99"] = Percentile(l.talkgroup, 0.99);
  c["md_p50"] = Percentile(l.mode, 0.5);
  c["md_p99"] = Percentile(l.mode, 0.99);
  c["backlog"] = l.backlog_ms;
  c["max_backlog"] = l.max_backlog_ms;
}
BENCHMARK(BM_StatusLatency)
    ->ArgNames({"baud", "trunk", "retry", "poll"})
    ->ArgsProduct({{2400, 4800, 9600, 19200}, {0, 1}, {kFollowUpRetryRuns}, {0, kPollRetryTicks}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
