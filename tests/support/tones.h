#pragma once
// Tones played into the PulseAudio of tests/support/pulse_server.sh and found again
// in what came out: raw tone files for paplay, ffmpeg's decoding, Goertzel's power.
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace scandeck::testing {

constexpr int kToneRate = 16000;

// Plays `seconds` of a sine of `hz` into the sink "cable"; raw samples written in `dir`.
inline std::unique_ptr<QProcess> PlayTone(const TempDir& dir, double hz, double seconds) {
  std::string bytes;
  for (int i = 0; i < static_cast<int>(seconds * kToneRate); ++i) {
    const auto s = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * i / kToneRate));
    bytes.append(reinterpret_cast<const char*>(&s), 2);
  }
  const std::string path = dir.file("tone-" + std::to_string(static_cast<int>(hz)) + ".raw");
  Spit(path, bytes);
  auto play = std::make_unique<QProcess>();
  play->start("paplay", {"--raw", "--format=s16le", QString("--rate=%1").arg(kToneRate), "--channels=1",
                         "--device=cable", QString::fromStdString(path)});
  return play;
}

// Any file ffmpeg reads, as 16-bit mono samples at kToneRate.
inline std::vector<std::int16_t> Decoded(const std::string& path) {
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(path), "-f", "s16le", "-ac", "1", "-ar",
                          QString::number(kToneRate), "-"});
  EXPECT_TRUE(ffmpeg.waitForFinished(60000)) << path;
  const QByteArray out = ffmpeg.readAllStandardOutput();
  std::vector<std::int16_t> samples(static_cast<std::size_t>(out.size()) / 2);
  std::memcpy(samples.data(), out.constData(), samples.size() * 2);
  return samples;
}

// The strength of one frequency over samples [from, to).
inline double Power(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to, double hz) {
  const double k = 2 * std::cos(2 * M_PI * hz / kToneRate);
  double a = 0, b = 0;
  for (std::size_t i = from; i < to && i < s.size(); ++i) {
    const double c = s[i] + k * a - b;
    b = a;
    a = c;
  }
  return a * a + b * b - k * a * b;
}

}  // namespace scandeck::testing
