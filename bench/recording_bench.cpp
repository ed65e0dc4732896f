// What recording costs: a second of 16-bit mono audio at the capture rate through
// the call rules into files on disk (Opus or WAV), one long call split every ten
// minutes as the defaults do. The time per iteration is the time per second of
// audio, so 10 ms is 1 % of a core. Arguments: capture rate, format (0 Opus, 1 WAV).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

#include "audio/core/call_recorder.h"
#include "audio/core/recording_store.h"
#include "support/temp_dir.h"

namespace {

using namespace scandeck;

void BM_RecordContinuously(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  testing::TempDir dir;
  SystemDisk disk;
  StoreOptions options;
  options.folder = dir.file("recordings");
  options.format = state.range(1) ? RecordFormat::Wav : RecordFormat::Opus;
  options.rate = rate;
  RecordingStore store(options, disk, SystemLocalTime, [] { return std::int64_t{1773097200000}; });
  CallRecorder recorder(RulesFrom(RecordingSettings{}, rate), store);
  // A voice-like signal: two tones and some noise, in 20 ms blocks as a capture delivers them.
  std::vector<std::int16_t> second(static_cast<std::size_t>(rate));
  unsigned noise = 1;
  for (std::size_t i = 0; i < second.size(); ++i) {
    noise = noise * 1103515245 + 12345;
    const double t = static_cast<double>(i) / rate;
    second[i] = static_cast<std::int16_t>(6000 * std::sin(2 * std::numbers::pi * 440 * t) +
                                          3000 * std::sin(2 * std::numbers::pi * 1230 * t) +
                                          static_cast<int>((noise >> 16) % 2000) - 1000);
  }
  recorder.callStarted({{CallKind::Talkgroup, "1", "100"}, "Fire", "FIR", "County", 0}, 0, 1773097200000);
  const std::size_t block = static_cast<std::size_t>(rate) / 50;
  for (auto _ : state)
    for (std::size_t at = 0; at < second.size(); at += block) recorder.audio(second.data() + at, block);
  recorder.stop();
  state.counters["audio_s"] = static_cast<double>(state.iterations());
  // Whatever the call's length the peak stays put: run it longer to see.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["max_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_RecordContinuously)->Args({16000, 0})->Args({48000, 0})->Args({44100, 0})->Args({16000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
