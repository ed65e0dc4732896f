// The capture on the PulseAudio of tests/audio/run.sh: a tone played per call while
// the test reports the calls, the files read back for their own call's tone, its
// onset inside the file, names and calls.csv.
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
#include "support/tones.h"

using namespace scandeck;
using namespace scandeck::testing;

namespace {

constexpr int kRate = kToneRate;

bool OnPulse() { return std::getenv("SCANDECK_TEST_PULSE") != nullptr; }

std::unique_ptr<CaptureSession> Capture(const std::string& folder, RecordingSettings settings) {
  QString why;
  auto capture = MakeCaptureSession(settings, folder, &why);
  EXPECT_TRUE(capture) << why.toStdString();
  return capture;
}

double Rms(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
  double sum = 0;
  std::size_t n = 0;
  for (std::size_t i = from; i < to && i < s.size(); ++i, ++n) sum += double(s[i]) * s[i];
  return n ? std::sqrt(sum / n) : 0;
}

CallInfo Info(CallKind kind, const char* bank, const char* id, const char* name = "") {
  CallInfo call;
  call.key = {kind, bank, id};
  call.name = name;
  if (*name) call.type = "FDP", call.system = "County";
  return call;
}

std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
    if (e.is_regular_file()) files.push_back(e.path());
  return files;
}

}  // namespace

TEST(CaptureOnPulseAudio, OneFilePerCallHoldingItsOwnToneFromBeforeItsReport) {
  if (!OnPulse()) GTEST_SKIP() << "needs the PulseAudio server tests/audio/run.sh starts";
  struct Call {
    CallInfo info;
    double hz;
    const char* name;  // what the file name holds after the time
  };
  const std::vector<Call> calls = {{Info(CallKind::Talkgroup, "1", "1001", "Fire Dispatch"), 700, "_tg-1-1001_Fire Dispatch"},
                                   {Info(CallKind::Channel, "", "154.4300"), 1300, "_ch-154.4300_unnamed"}};
  for (const RecordFormat format : {RecordFormat::Wav, RecordFormat::Opus}) {
    TempDir folder;
    auto capture = Capture(folder.path.string(),
                           {.record = true, .input = "", .format = format, .prerollMs = 1000, .hangMs = 300, .minMs = 200, .minFreeMb = 0});
    ASSERT_TRUE(capture);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !capture->report().input.isEmpty(); }, 20000)) << "no input opened";
    EXPECT_EQ(capture->report().rate, kRate);
    // A whole pre-roll captured before the first call.
    ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().captured > 2u * kRate; }, 20000));
    for (const Call& call : calls) {
      const auto play = PlayTone(folder, call.hz, 2.5);
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

    const auto files = FilesUnder(folder.path / "recordings");
    ASSERT_EQ(files.size(), calls.size() + 1) << "one file per call and calls.csv, in one day's folder";
    for (const auto& f : files) ASSERT_EQ(f.parent_path(), files[0].parent_path()) << f;
    const std::string csv = Slurp((files[0].parent_path() / "calls.csv").string());
    for (const Call& call : calls) {
      const std::string ext = format == RecordFormat::Wav ? ".wav" : ".opus";
      std::filesystem::path file;
      for (const auto& f : files)
        if (f.filename().string().find(call.name + ext) != std::string::npos) file = f;
      ASSERT_FALSE(file.empty()) << call.name;
      EXPECT_NE(csv.find(file.filename().string()), std::string::npos) << csv;
      const std::vector<std::int16_t> s = Decoded(file.string());
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
    QString why;
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
  const auto capture = Capture(folder.path.string(), {.record = true, .input = "", .minFreeMb = 0});
  ASSERT_TRUE(capture);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !capture->report().input.isEmpty(); }, 20000));
  capture->takeNotices();
  // Without the sink no source is left that the server could move the stream to.
  for (const char* module : {"module-remap-source", "module-null-sink"})
    ASSERT_EQ(QProcess::execute("pactl", {"unload-module", module}), 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !capture->report().problem.isEmpty(); }, 20000));
  for (const char* line : {"load-module module-null-sink sink_name=cable",
                              "load-module module-remap-source master=cable.monitor source_name=linein",
                              "set-default-source linein"})
    ASSERT_EQ(QProcess::execute("pactl", QString(line).split(' ')), 0) << line;
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
  Spit((disk / "filler").string(), std::string(free - keep_free, 'x'));
  auto capture = Capture(scratch.path.string(), {.record = true, .input = "", .format = RecordFormat::Wav, .hangMs = 300, .minMs = 0,
                                                 .folder = (disk / "rec").string(), .minFreeMb = 1});
  ASSERT_TRUE(capture);
  ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().captured > 2u * kRate; }, 20000));
  QStringList notices = capture->takeNotices();
  const auto play = PlayTone(scratch, 700, 12);
  ASSERT_TRUE(QTest::qWaitFor([&] { return capture->report().level.peakDb > -20; }, 20000));
  capture->callStarted(Info(CallKind::Channel, "", "154.4300"), false);
  const auto stopped = [&] {
    notices << capture->takeNotices();
    return notices.filter("Recording stopped").size();
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return stopped() > 0; }, 30000)) << notices.join(" | ").toStdString();
  capture->callEnded();
  play->waitForFinished(20000);
  // Another call while the disk stays full: no file, and no second notice.
  capture->callStarted(Info(CallKind::Channel, "", "155.0000"), false);
  QTest::qWait(1500);
  capture->callEnded();
  QTest::qWait(3000);
  EXPECT_EQ(stopped(), 1) << notices.join(" | ").toStdString();
  capture.reset();

  const auto files = FilesUnder(disk / "rec");
  ASSERT_EQ(files.size(), 2u) << "the call's file and calls.csv";
  const auto wav = files[0].extension() == ".wav" ? files[0] : files[1];
  EXPECT_NE(wav.filename().string().find("_ch-154.4300_"), std::string::npos) << wav;
  // The header's sizes were written when the file ended: the samples are all there.
  const std::string bytes = Slurp(wav.string());
  const std::size_t data = bytes.find("data");
  std::uint32_t size = 0;
  std::memcpy(&size, bytes.data() + data + 4, 4);
  EXPECT_EQ(size, bytes.size() - data - 8) << wav;
  EXPECT_GT(size, 3u * 2 * kRate);
  const std::string csv = Slurp((wav.parent_path() / "calls.csv").string());
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2) << csv;
}
