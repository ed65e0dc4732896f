// How long a directory read takes and how many entries it gets, against the paced
// simulator on a simulated clock, after the poll has been running (so its replies
// are still in flight when the read starts). Arguments: baud, trunk mode (0/1),
// which read (0 = frequency bank 1, 1 = ID bank 1 of the trunked bank), wait for
// late replies (0 = complete on the fixed schedule), poll retry ticks (0 = the whole
// poll every tick, as without the poll's gate). BM_BatchRead times "Read all banks"
// and "Read the whole trunk bank" (ten banks each) the same way.
#include <benchmark/benchmark.h>

#include "directory/core/batch_read.h"
#include "directory/core/freq_dir_core.h"
#include "directory/core/id_dir_core.h"
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

struct ReadResult {
  double read_ms = 0;
  int answered = 0;
  int expected = 0;
};

ReadResult Measure(int baud, bool trunk, bool id_read, bool wait, int poll_retry, bool batch = false) {
  sim::SimulatorOptions options = sim::QuietOptions(7);
  options.activity_per_minute = 40;
  const std::string settings = std::to_string(baud) + ",n,8,1";
  options.line = *SerialSettings::Parse(settings);
  sim::SimRig rig(options);

  FreqDirectory channels;
  IdDirectory talkgroups;
  RecordFile no_file;
  ScannerStatus status;
  CompactView compact;
  StatusProcessor processor{rig.link, rig.reporter, status, compact, channels, talkgroups, '.'};
  PollCycle poll{rig.link, processor};
  poll.setPollRetry(poll_retry);
  LinkHold hold;
  rig.open(settings);
  poll.setEnabled(true);
  ResetAllStatus(rig.link);
  auto polled = [&](Ms total) {
    rig.run(total, 1ms, [&] {
      if (rig.clock.now().count() % kPollIntervalMs == 0) poll.MainTimer_Timer();
    });
  };
  polled(2s);
  if (trunk) {
    rig.link.SendCommand(protocol::cmd::kKeyTrunk);
    polled(5s);
  }

  FreqDirCore freq(ReadLink(rig.link, poll, hold), rig.reporter, channels, no_file, '.');
  IdDirCore ids(ReadLink(rig.link, poll, hold), rig.reporter, rig.clock, talkgroups, no_file);
  freq.writeFile = false;
  freq.fromScanner = ids.fromScanner = true;
  freq.waitForLateReplies = ids.waitForLateReplies = wait;
  GatheredReports reports{rig.reporter};
  FreqBankRead freq_banks{freq};
  IdBankRead id_banks{ids};
  BatchRead all{id_read ? static_cast<BankRead&>(id_banks) : freq_banks, reports, "Bank"};
  const Ms start = rig.clock.now();
  if (batch) {
    ids.BankText = std::to_string(sim::kDemoTrunkBank);
    all.start();
  } else if (id_read) {
    ids.BankText = std::to_string(sim::kDemoTrunkBank);
    ids.IDBankText = "1";
    ids.IDBankCmb_Click();
  } else {
    freq.BankCmb_Click("1");
  }
  auto reading = [&] { return batch ? all.running() : id_read ? ids.reading() : freq.reading(); };
  Ms next_tick = start + Ms{kReadTickMs};
  while (reading() && rig.clock.now() - start < 60s) {
    rig.advance(1ms);
    if (rig.clock.now().count() % kPollIntervalMs == 0) poll.MainTimer_Timer();
    const bool pause_over = id_read && ids.phase() == IdDirCore::Phase::Pause && ids.pauseLeft().count() == 0;
    if (rig.clock.now() < next_tick && !pause_over) continue;
    next_tick = rig.clock.now() + Ms{kReadTickMs};
    if (batch) all.tick();
    else if (id_read) ids.IDTimer_Timer();
    else freq.ChTimer_Timer();
  }
  ReadResult r;
  r.read_ms = static_cast<double>((rig.clock.now() - start).count());
  const int banks = batch ? 10 : 1;
  if (id_read) {
    r.expected = kIdsPerIdBank * banks;
    for (int e = 1; e <= r.expected; ++e) r.answered += talkgroups.at(sim::kDemoTrunkBank, e).channel.empty() ? 0 : 1;
  } else {
    r.expected = kChannelsPerBank * banks;
    for (int n = 1; n <= r.expected; ++n) r.answered += channels[n].channel == n ? 1 : 0;
  }
  return r;
}

void BM_DirectoryRead(benchmark::State& state) {
  ReadResult r;
  for (auto _ : state)
    r = Measure(static_cast<int>(state.range(0)), state.range(1) != 0, state.range(2) != 0, state.range(3) != 0,
                static_cast<int>(state.range(4)));
  state.counters["read_ms"] = r.read_ms;
  state.counters["answered"] = r.answered;
  state.counters["of"] = r.expected;
}
BENCHMARK(BM_DirectoryRead)
    ->ArgNames({"baud", "trunk", "id", "wait", "poll"})
    ->ArgsProduct({{2400, 4800, 9600, 19200}, {0, 1}, {0, 1}, {1}, {0, kPollRetryTicks}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_BatchRead(benchmark::State& state) {
  ReadResult r;
  for (auto _ : state) r = Measure(static_cast<int>(state.range(0)), false, state.range(1) != 0, true, kPollRetryTicks, true);
  state.counters["read_ms"] = r.read_ms;
  state.counters["answered"] = r.answered;
  state.counters["of"] = r.expected;
}
BENCHMARK(BM_BatchRead)
    ->ArgNames({"baud", "id"})
    ->ArgsProduct({{9600}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
