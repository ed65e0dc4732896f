// The capture on a real sound server: tests/audio/run.sh starts a PulseAudio of its
// own with a null sink "cable" whose monitor is remapped into the default source
// "linein"; paplay plays a tone per call into the sink while the test reports the
// calls. The files are read back (WAV here, Opus through ffmpeg) and checked for
// their own call's tone, the tone's onset inside the file, names and calls.csv.
#include <QDir>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "audio/core/recording_store.h"
#include "audio/qt/capture_session.h"
#include "support/temp_dir.h"

using namespace scandeck;
using scandeck::testing::Slurp;
using scandeck::testing::TempDir;

namespace {

constexpr int kRate = 16000;

bool OnPulse() { return std::getenv("SCANDECK_TEST_PULSE") != nullptr; }

// Raw 16-bit mono samples of a tone, for paplay --raw.
std::string ToneFile(const TempDir& dir, double hz, double seconds) {
  std::string bytes;
  for (int i = 0; i < static_cast<int>(seconds * kRate); ++i) {
    const auto s = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * i / kRate));
    bytes.append(reinterpret_cast<const char*>(&s), 2);
  }
  const std::string path = dir.file("tone-" + std::to_string(static_cast<int>(hz)) + ".raw");
  scandeck::testing::Spit(path, bytes);
  return path;
}

QProcess* Play(const std::string& raw) {
  auto* play = new QProcess;
  play->start("paplay", {"--raw", "--format=s16le", QString("--rate=%1").arg(kRate), "--channels=1", "--device=cable",
                         QString::fromStdString(raw)});
  return play;
}

// The samples of a recording: the WAV data chunk, or Opus decoded by ffmpeg.
std::vector<std::int16_t> Samples(const std::filesystem::path& file) {
  std::string bytes;
  if (file.extension() == ".wav") {
    const std::string wav = Slurp(file.string());
    for (std::size_t at = 12; at + 8 <= wav.size();) {
      std::uint32_t size = 0;
      std::memcpy(&size, wav.data() + at + 4, 4);
      if (wav.compare(at, 4, "data") == 0) {
        bytes = wav.substr(at + 8, size);
        break;
      }
      at += 8 + size + (size & 1);
    }
  } else {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(file.string()), "-f", "s16le", "-ac", "1", "-ar",
                            QString::number(kRate), "-"});
    EXPECT_TRUE(ffmpeg.waitForFinished(30000));
    const QByteArray out = ffmpeg.readAllStandardOutput();
    bytes.assign(out.constData(), static_cast<std::size_t>(out.size()));
  }
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Goertzel: the strength of one frequency over a stretch of samples.
double Power(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to, double hz) {
  const double k = 2 * std::cos(2 * M_PI * hz / kRate);
  double a = 0, b = 0;
  for (std::size_t i = from; i < to && i < s.size(); ++i) {
    const double c = s[i] + k * a - b;
    b = a;
    a = c;
  }
  return a * a + b * b - k * a * b;
}

double Rms(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
  double sum = 0;
  std::size_t n = 0;
  for (std::size_t i = from; i < to && i < s.size(); ++i, ++n) sum += double(s[i]) * s[i];
  return n ? std::sqrt(sum / n) : 0;
}

CallInfo Talkgroup(const char* bank, const char* id, const char* name) {
  CallInfo call;
  call.key = {CallKind::Talkgroup, bank, id};
  call.name = name;
  call.type = "FDP";
  call.system = "County";
  return call;
}

CallInfo Channel(const char* frequency) {
  CallInfo call;
  call.key = {CallKind::Channel, "", frequency};
  return call;
}

}  // namespace

TEST(CaptureOnPulseAudio, OneFilePerCallHoldingItsOwnToneFromBeforeItsReport) {
  if (!OnPulse()) GTEST_SKIP() << "needs the PulseAudio server tests/audio/run.sh starts";
  struct Call {
    CallInfo info;
    double hz;
    const char* name;  // what the file name holds after the time
  };
  const std::vector<Call> calls = {{Talkgroup("1", "1001", "Fire Dispatch"), 700, "_tg-1-1001_Fire Dispatch"},
                                   {Channel("154.4300"), 1300, "_ch-154.4300_unnamed"}};
  for (const RecordFormat format : {RecordFormat::Wav, RecordFormat::Opus}) {
    TempDir folder;
    RecordingSettings settings;
    settings.record = true;
    settings.format = format;
    settings.prerollMs = 1000;
    settings.hangMs = 300;
    settings.minMs = 200;
    settings.minFreeMb = 0;
    QString why;
    auto capture = MakeCaptureSession(settings, folder.path.string(), &why);
    ASSERT_TRUE(capture) << why.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !capture->report().input.isEmpty(); }, 20000)) << "no input opened";
    EXPECT_EQ(capture->report().rate, kRate);
    // A whole pre-roll captured before the first call.
    ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().captured > 2u * kRate; }, 20000));
    for (const Call& call : calls) {
      std::unique_ptr<QProcess> play(Play(ToneFile(folder, call.hz, 2.5)));
      // The call is reported once its audio is heard, as the poll reports it after the scanner's speaker.
      ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().level.peakDb > -20; }, 20000)) << call.hz;
      capture->callStarted(call.info, false);
      QTest::qWait(800);
      capture->callEnded();

      EXPECT_TRUE(play->waitForFinished(20000));
      ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().level.peakDb < -60; }, 20000));
      // Quiet for longer than a pre-roll, so the next call's file does not reach back into this tone.
      const std::uint64_t quiet_from = capture->report().captured;
      ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().captured > quiet_from + 2u * kRate; }, 20000));
    }
    // The Heard window's count learns of each kept file from the capture.
    std::vector<KeptCall> kept;
    ASSERT_TRUE(QTest::qWaitFor([&] {
      for (KeptCall& k : capture->takeKept()) kept.push_back(std::move(k));
      return kept.size() >= calls.size();
    }, 20000));
    ASSERT_EQ(kept.size(), calls.size()) << "each kept file told once";
    for (std::size_t i = 0; i < kept.size(); ++i) {
      EXPECT_EQ(kept[i].key, calls[i].info.key);
      EXPECT_TRUE(std::filesystem::exists(kept[i].path)) << kept[i].path;
    }
    capture.reset();  // the last file ends and is renamed

    std::vector<std::filesystem::path> days;
    for (const auto& e : std::filesystem::directory_iterator(folder.path / "recordings")) days.push_back(e.path());
    ASSERT_EQ(days.size(), 1u);
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(days[0]))
      if (e.path().filename() != "calls.csv") files.push_back(e.path());
    ASSERT_EQ(files.size(), calls.size()) << "one file per call";
    const std::string csv = Slurp((days[0] / "calls.csv").string());
    for (const Call& call : calls) {
      const std::string ext = format == RecordFormat::Wav ? ".wav" : ".opus";
      std::filesystem::path file;
      for (const auto& f : files)
        if (f.filename().string().find(call.name + ext) != std::string::npos) file = f;
      ASSERT_FALSE(file.empty()) << call.name;
      EXPECT_NE(csv.find(file.filename().string()), std::string::npos) << csv;
      const std::vector<std::int16_t> s = Samples(file);
      ASSERT_GT(s.size(), static_cast<std::size_t>(kRate)) << file;
      const double other = call.hz == 700 ? 1300 : 700;
      EXPECT_GT(Power(s, 0, s.size(), call.hz), 20 * Power(s, 0, s.size(), other)) << file;
      // The file begins before the tone did (the pre-roll) and holds the tone at its end.
      EXPECT_LT(Rms(s, 0, kRate / 20), 100) << file;
      EXPECT_GT(Rms(s, s.size() - kRate / 5, s.size()), 3000) << file;
    }
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + static_cast<long>(calls.size())) << csv;
    EXPECT_NE(csv.find(",talkgroup,1,,,1001,Fire Dispatch,FDP,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",channel,,,154.4300,,,,"), std::string::npos) << csv;

    // "Play last call": the file plays to its end through the library's player.
    auto player = MakeCallPlayer(&why);
    ASSERT_TRUE(player) << why.toStdString();
    int changes = 0;
    player->onChanged([&] { ++changes; });
    player->play(QString::fromStdString(kept[0].path));
    EXPECT_TRUE(QTest::qWaitFor([&] { return player->playing(); }, 10000)) << player->error().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player->playing(); }, 20000)) << "it ends by itself";
    EXPECT_EQ(player->error(), "") << kept[0].path;
    EXPECT_GE(changes, 2);
  }
}

TEST(CaptureOnPulseAudio, AnInputThatGoesAwayIsSaidOnceAndTakenBackWhenItReturns) {
  if (!OnPulse()) GTEST_SKIP() << "needs the PulseAudio server tests/audio/run.sh starts";
  TempDir folder;
  RecordingSettings settings;
  settings.record = true;
  settings.minFreeMb = 0;
  QString why;
  const auto capture = MakeCaptureSession(settings, folder.path.string(), &why);
  ASSERT_TRUE(capture) << why.toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !capture->report().input.isEmpty(); }, 20000));
  capture->takeNotices();
  // Without the sink no source is left that the server could move the stream to.
  ASSERT_EQ(QProcess::execute("pactl", {"unload-module", "module-remap-source"}), 0);
  ASSERT_EQ(QProcess::execute("pactl", {"unload-module", "module-null-sink"}), 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !capture->report().problem.isEmpty(); }, 20000));
  ASSERT_EQ(QProcess::execute("pactl", {"load-module", "module-null-sink", "sink_name=cable"}), 0);
  ASSERT_EQ(QProcess::execute("pactl", {"load-module", "module-remap-source", "master=cable.monitor", "source_name=linein"}), 0);
  ASSERT_EQ(QProcess::execute("pactl", {"set-default-source", "linein"}), 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().problem.isEmpty() && !capture->report().input.isEmpty(); }, 20000));
  const QStringList notices = capture->takeNotices();
  EXPECT_EQ(notices.size(), 1) << notices.join(" | ").toStdString();
}

// A disk nearly full: the call in progress is kept whole up to where space ran out,
// said once, and nothing new starts; no half-written file is left.
TEST(CaptureOnPulseAudio, ANearlyFullDiskStopsRecordingOnceAndLeavesEveryFileWhole) {
  if (!OnPulse()) GTEST_SKIP() << "needs the PulseAudio server tests/audio/run.sh starts";
  const char* small = std::getenv("SCANDECK_TEST_TMPFS");
  if (!small) GTEST_SKIP() << "needs the small tmpfs tests/audio/run.sh mounts";
  const std::filesystem::path disk(small);
  TempDir scratch;
  // About five seconds of 16 kHz WAV above the 1 MB minimum.
  const auto free = std::filesystem::space(disk).available;
  const std::uintmax_t keep_free = kMegabyte + 5 * 2 * kRate;
  ASSERT_GT(free, keep_free);
  scandeck::testing::Spit((disk / "filler").string(), std::string(free - keep_free, 'x'));
  RecordingSettings settings;
  settings.record = true;
  settings.format = RecordFormat::Wav;
  settings.folder = (disk / "rec").string();
  settings.minFreeMb = 1;
  settings.minMs = 0;
  settings.hangMs = 300;
  QString why;
  auto capture = MakeCaptureSession(settings, scratch.path.string(), &why);
  ASSERT_TRUE(capture) << why.toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().captured > 2u * kRate; }, 20000));
  QStringList notices = capture->takeNotices();
  std::unique_ptr<QProcess> play(Play(ToneFile(scratch, 700, 12)));
  ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().level.peakDb > -20; }, 20000));
  capture->callStarted(Channel("154.4300"), false);
  const auto stopped = [&] {
    notices << capture->takeNotices();
    return notices.filter("Recording stopped").size();
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return stopped() > 0; }, 30000)) << notices.join(" | ").toStdString();
  capture->callEnded();
  play->waitForFinished(20000);
  // Another call while the disk stays full: no file, and no second notice.
  capture->callStarted(Channel("155.0000"), false);
  QTest::qWait(1500);
  capture->callEnded();
  QTest::qWait(3000);
  EXPECT_EQ(stopped(), 1) << notices.join(" | ").toStdString();
  capture.reset();

  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(disk / "rec"))
    if (e.is_regular_file()) files.push_back(e.path());
  ASSERT_EQ(files.size(), 2u) << "the call's file and calls.csv";
  const auto wav = files[0].extension() == ".wav" ? files[0] : files[1];
  EXPECT_NE(wav.filename().string().find("_ch-154.4300_"), std::string::npos) << wav;
  const std::vector<std::int16_t> s = Samples(wav);
  // The header's sizes were written when the file ended: the samples are all there.
  const std::string bytes = Slurp(wav.string());
  EXPECT_EQ(s.size() * 2, bytes.size() - bytes.find("data") - 8) << wav;
  EXPECT_GT(s.size(), 3u * kRate);
  const std::string csv = Slurp((wav.parent_path() / "calls.csv").string());
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2) << csv;
}
