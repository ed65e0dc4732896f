// Call recording: recording.ini, the call rules on the capture's timeline, levels,
// file names, the WAV and Opus files, calls.csv and the disk bounds.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <filesystem>
#include <map>
#include <numbers>
#include <set>
#include <vector>

#if SCANDECK_HAVE_OPUSFILE
#include <opus/opusfile.h>
#endif

#include "audio/core/audio_writer.h"
#include "audio/core/call_index.h"
#include "audio/core/call_recorder.h"
#include "audio/core/recording_store.h"
#include "support/temp_dir.h"

using namespace scandeck;
using namespace std::string_literals;
using scandeck::testing::Slurp;
using scandeck::testing::Spit;
using scandeck::testing::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kEpoch = 1773097200000;  // 2026-03-09 23:00:00 UTC

// A fixed zone, so names and times do not depend on the machine's.
LocalTimeFn Zone(int offset_seconds) {
  return [offset_seconds](std::int64_t ms) { return std::optional(FixedZoneTime(ms, offset_seconds)); };
}

CallInfo Talkgroup(const char* id, const char* name = "", const char* bank = "1") {
  return {{CallKind::Talkgroup, bank, id}, name, "FIR", "County", 0};
}

// Every sample tells its own position, so a file shows whether it got the right ones.
std::int16_t Ramp(std::uint64_t position) { return static_cast<std::int16_t>(position % 20000); }

struct FileSeen {
  std::uint64_t first = 0;
  std::uint64_t samples = 0;
  char end = 'o';  // o(pen), k(ept), d(iscarded)
  int part = 1;
  bool tentative = false;
  std::int64_t startEpoch = 0, endEpoch = 0;
  bool inOrder = true;
};

class FakeSink final : public CallSink {
 public:
  bool open(const CallFile& file) override {
    if (refuse) return false;
    files.push_back({file.firstSample, 0, 'o', file.part, file.tentative, file.startEpochMs, 0, true});
    return true;
  }
  bool write(const std::int16_t* samples, std::size_t count) override {
    FileSeen& f = files.back();
    for (std::size_t i = 0; i < count; ++i) f.inOrder &= samples[i] == Ramp(f.first + f.samples + i);
    f.samples += count;
    return f.samples < stopAfter;
  }
  void keep(std::int64_t end_epoch_ms) override { files.back().end = 'k', files.back().endEpoch = end_epoch_ms; }
  void discard() override { files.back().end = 'd'; }
  std::vector<FileSeen> files;
  bool refuse = false;
  std::uint64_t stopAfter = ~0ull;
};

// A script on a 1 kHz capture (one sample a millisecond): S start, E end, R "Record
// now", X stop, each at a time in ms; audio runs in 20 ms blocks to each step.
struct Step {
  long at;
  char op;
  const char* id = "100";
};

void Feed(CallRecorder& recorder, std::uint64_t until) {
  std::int16_t block[20];
  while (recorder.position() < until) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(20, until - recorder.position()));
    for (std::size_t i = 0; i < n; ++i) block[i] = Ramp(recorder.position() + i);
    recorder.audio(block, n);
  }
}

std::vector<FileSeen> Script(RecorderRules rules, const std::vector<Step>& steps, long until,
                          long stamp_offset = 0) {
  FakeSink sink;
  rules.rate = 1000;
  CallRecorder recorder(rules, sink);
  std::map<std::string, std::string> names = {{"100", "Fire"}, {"200", "Police"}, {"300", ""}};
  for (const Step& s : steps) {
    // `stamp_offset` delivers each report that much after (or before) its position.
    Feed(recorder, static_cast<std::uint64_t>(std::max(0L, s.at + stamp_offset)));
    const auto at = static_cast<std::uint64_t>(s.at);
    if (s.op == 'S') recorder.callStarted(Talkgroup(s.id, names[s.id].c_str()), at, kEpoch + s.at);
    if (s.op == 'E') recorder.callEnded(at, kEpoch + s.at);
    if (s.op == 'R') {
      EXPECT_TRUE(recorder.recordNow());
    }
    if (s.op == 'X') recorder.stop();
  }
  Feed(recorder, static_cast<std::uint64_t>(until));
  return sink.files;
}

std::string Describe(const std::vector<FileSeen>& files) {
  std::string out;
  for (const FileSeen& f : files)
    out += std::to_string(f.first) + "+" + std::to_string(f.samples) + f.end + std::to_string(f.part) +
           (f.tentative ? "t" : "") + (f.inOrder ? "" : "!") + " ";
  return out;
}

}  // namespace

TEST(RecordingSettingsFile, RoundTripAndDamagedValuesKeepTheirDefaults) {
  RecordingSettings s;
  s.record = true;
  s.input = "USB Audio Device Analog Mono";
  s.what = RecordWhat::Unnamed;
  s.format = RecordFormat::Wav;
  s.prerollMs = 750, s.hangMs = 0, s.minMs = 1200, s.maxMinutes = 30;
  s.folder = "/srv/calls";
  s.quotaMb = 0, s.keepDays = 7, s.minFreeMb = 100;
  EXPECT_EQ(ReadRecordingText(RecordingText(s)), s);
  EXPECT_EQ(RecordingText(RecordingSettings{}),
            "record=0\ninput=\nwhat=all\nformat=opus\npreroll_ms=500\nhang_ms=2000\nmin_ms=500\nmax_minutes=10\n"
            "folder=recordings\nquota_mb=2048\nkeep_days=30\nmin_free_mb=500\n");
  const RecordingSettings defaults;
  for (const char* damaged : {"record=yes", "what=some", "format=mp3", "preroll_ms=-1", "preroll_ms=5001",
                              "hang_ms=2s", "min_ms=", "max_minutes=0", "folder=", "quota_mb=1e3",
                              "keep_days=99999999999999999999", "min_free_mb= 5", "record"})
    EXPECT_EQ(ReadRecordingText(damaged), defaults) << damaged;
  TempDir dir;
  ASSERT_FALSE(WriteRecordingFile(dir.file(kRecordingFileName), s));
  EXPECT_EQ(ReadRecordingFile(dir.file(kRecordingFileName)), s);
}

TEST(CallRules, FilesFollowTheCallsOnTheCaptureTimeline) {
  RecorderRules base;
  base.maxMinutes = 1;
  base.marked = [](const CallKey& key) { return key.id == "200"; };
  const auto with = [&](RecordWhat what) {
    RecorderRules r = base;
    r.what = what;
    return r;
  };
  const struct {
    const char* name;
    RecorderRules rules;
    std::vector<Step> steps;
    long until;
    const char* files;
  } cases[] = {
      {"pre-roll before the first report", base, {{1000, 'S'}, {1800, 'E'}}, 6000, "500+1300k1 "},
      {"pre-roll cut at the capture's start", base, {{200, 'S'}, {1200, 'E'}}, 6000, "0+1200k1 "},
      {"shorter than min_ms (pre-roll not counted)", base, {{1000, 'S'}, {1300, 'E'}}, 6000, "500+800d1 "},
      {"same talkgroup within the hang time: one file", base,
       {{1000, 'S'}, {1600, 'E'}, {2500, 'S'}, {3000, 'E'}}, 8000, "500+2500k1 "},
      {"same talkgroup after the hang time: two files", base,
       {{1000, 'S'}, {1600, 'E'}, {3700, 'S'}, {4500, 'E'}}, 9000, "500+1100k1 3200+1300k1 "},
      {"another talkgroup in the hang time", base,
       {{1000, 'S'}, {1600, 'E'}, {2000, 'S', "200"}, {3000, 'E'}}, 8000, "500+1100k1 1500+1500k1 "},
      {"another talkgroup while one is on", base,
       {{1000, 'S'}, {2000, 'S', "200"}, {3000, 'E'}}, 8000, "500+1500k1 1500+1500k1 "},
      {"split at max_minutes without a gap", base, {{1000, 'S'}, {131000, 'E'}}, 136000,
       "500+60000k1 60500+60000k2 120500+10500k3 "},
      {"capture stopped mid-call", base, {{1000, 'S'}, {3000, 'X'}}, 3000, "500+2500k1 "},
      {"what=off: written, then discarded", with(RecordWhat::Off), {{1000, 'S'}, {3000, 'E'}}, 8000,
       "500+2500d1t "},
      {"Record now keeps the call from its pre-roll", with(RecordWhat::Off),
       {{1000, 'S'}, {2000, 'R'}, {3000, 'E'}}, 8000, "500+2500k1 "},
      {"Record now keeps a short call", base, {{1000, 'S'}, {1100, 'R'}, {1200, 'E'}}, 6000, "500+700k1 "},
      {"Record now in the hang time", with(RecordWhat::Off), {{1000, 'S'}, {2000, 'E'}, {4500, 'R'}}, 8000,
       "500+1500k1t "},
      {"what=marked", with(RecordWhat::Marked),
       {{1000, 'S'}, {2000, 'E'}, {5000, 'S', "200"}, {6000, 'E'}}, 11000, "500+1500d1t 4500+1500k1 "},
      {"what=unnamed", with(RecordWhat::Unnamed),
       {{1000, 'S'}, {2000, 'E'}, {5000, 'S', "300"}, {6000, 'E'}}, 11000, "500+1500d1t 4500+1500k1 "},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(Script(c.rules, c.steps, c.until)), c.files) << c.name;
}

TEST(CallRules, ReportsStampedAheadOfOrBehindTheAudioLandWhereTheyWereStamped) {
  for (const long offset : {-300L, 0L, 300L, 1900L}) {
    const auto files = Script({}, {{1000, 'S'}, {1800, 'E'}}, 6000, offset);
    ASSERT_EQ(Describe(files), "500+1300k1 ") << offset;
    // The file starts a pre-roll before the report.
    EXPECT_EQ(std::pair(files[0].startEpoch, files[0].endEpoch), std::pair(kEpoch + 500, kEpoch + 1800));
  }
}

TEST(CallRules, MemoryStaysTheRingWhateverTheCallLength) {
  FakeSink sink;
  RecorderRules rules;
  rules.rate = 48000;
  rules.maxMinutes = 240;
  CallRecorder recorder(rules, sink);
  const std::size_t ring = recorder.ringCapacity();
  EXPECT_EQ(ring, 48000u * (2000 + 2000 + 100) / 1000);
  recorder.callStarted(Talkgroup("100"), 0, kEpoch);
  std::vector<std::int16_t> block(48000);
  for (int second = 0; second < 900; ++second) {
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = Ramp(recorder.position() + i);
    recorder.audio(block.data(), block.size());
  }
  EXPECT_EQ(recorder.ringCapacity(), ring);
  recorder.stop();
  ASSERT_EQ(sink.files.size(), 1u);
  EXPECT_EQ(sink.files[0].samples, 900ull * 48000);
  EXPECT_EQ(sink.files[0].end, 'k');
  EXPECT_TRUE(sink.files[0].inOrder);
}

TEST(CallRules, ASinkThatRefusesOrStopsGetsNothingMore) {
  FakeSink sink;
  sink.refuse = true;
  CallRecorder recorder({}, sink);
  recorder.callStarted(Talkgroup("100"), 0, kEpoch);
  Feed(recorder, 16000);
  EXPECT_TRUE(recorder.inCall());
  EXPECT_FALSE(recorder.recordNow()) << "no file to keep";
  EXPECT_FALSE(recorder.recording());

  FakeSink stopping;
  stopping.stopAfter = 1000;
  CallRecorder second({}, stopping);
  second.callStarted(Talkgroup("100"), 0, kEpoch);
  Feed(second, 32000);
  second.callEnded(32000, kEpoch + 2000);
  Feed(second, 100000);
  ASSERT_EQ(stopping.files.size(), 1u);
  EXPECT_EQ(stopping.files[0].samples, 1000u);
  EXPECT_EQ(stopping.files[0].end, 'o') << "the sink ended it itself";
}

TEST(Levels, PeakRmsAndASilentInputSaidOncePerChange) {
  const std::vector<std::int16_t> zeros(160, 0);
  std::vector<std::int16_t> square(160), sine(1600);
  for (std::size_t i = 0; i < square.size(); ++i) square[i] = i % 2 ? 32767 : -32768;
  for (std::size_t i = 0; i < sine.size(); ++i)
    sine[i] = static_cast<std::int16_t>(std::lround(16384 * std::sin(2 * std::numbers::pi * 1000 * i / 16000.0)));
  const struct {
    const std::vector<std::int16_t>& samples;
    double peak, rms;
  } levels[] = {{zeros, kLevelFloorDb, kLevelFloorDb}, {square, 0.0, 0.0}, {sine, -6.02, -9.03}};
  for (const auto& l : levels) {
    const Level level = MeasureLevel(l.samples.data(), l.samples.size());
    EXPECT_NEAR(level.peakDb, l.peak, 0.01);
    EXPECT_NEAR(level.rmsDb, l.rms, 0.01);
  }

  FakeSink sink;
  CallRecorder recorder({}, sink);
  std::optional<bool> seen[4];
  const std::vector<std::int16_t>* calls[4] = {&zeros, &zeros, &sine, &sine};
  for (int c = 0; c < 4; ++c) {
    recorder.callStarted(Talkgroup(c % 2 ? "100" : "200"), recorder.position(), kEpoch);
    for (int i = 0; i < 20; ++i) recorder.audio(calls[c]->data(), calls[c]->size());
    recorder.callEnded(recorder.position(), kEpoch);
    Feed(recorder, recorder.position() + 80000);
    seen[c] = recorder.takeSilenceChange();
  }
  EXPECT_EQ(seen[0], std::optional(true));
  EXPECT_EQ(seen[1], std::nullopt) << "said once";
  EXPECT_EQ(seen[2], std::optional(false));
  EXPECT_EQ(seen[3], std::nullopt);
}

TEST(RecordingNames, FileNamesAndFolders) {
  const LocalStamp t{2026, 3, 10, 7, 5, 9, -5 * 3600 - 1800};
  EXPECT_EQ(DayFolderName(t), "2026-03-10");
  EXPECT_EQ(IsoTime(t), "2026-03-10T07:05:09-05:30");
  const struct {
    CallInfo call;
    RecordFormat format;
    const char* name;
  } names[] = {
      {Talkgroup("100", "Fire Dispatch"), RecordFormat::Opus, "07-05-09_tg-1-100_Fire Dispatch.opus"},
      {Talkgroup("12\xFE" "34", "", "10"), RecordFormat::Wav, "07-05-09_tg-10-12-34_unnamed.wav"},
      {{{CallKind::Channel, "", " 46.5000"}, "Caf\xE9 / Bar", "", "", 3}, RecordFormat::Opus,
       "07-05-09_ch-046.5000_Caf\xC3\xA9 - Bar.opus"},
      {{{CallKind::Channel, "", "154,4300"}, "...", "", "", 0}, RecordFormat::Opus, "07-05-09_ch-154.4300_unnamed.opus"},
  };
  for (const auto& n : names) EXPECT_EQ(CallFileName(t, n.call, n.format), n.name);

  const struct {
    std::string latin1;
    std::string utf8;
  } parts[] = {
      {"a/b\\c:d*e?f\"g<h>i|j", "a-b-c-d-e-f-g-h-i-j"},
      {"tab\there\x7F\x85", "tabhere"},
      {"..hidden. . ", "hidden"},
      {std::string(59, 'x') + "\xE9", std::string(59, 'x')},  // é would need bytes 60 and 61
      {std::string(58, 'x') + "\xE9z", std::string(58, 'x') + "\xC3\xA9"},
      {std::string(70, ' '), ""},
  };
  for (const auto& p : parts) EXPECT_EQ(FileNamePart(p.latin1), p.utf8) << p.latin1;

  std::set<std::string> present = {"d/a.opus", "d/a_2.opus.part", "d/a_3.opus"};
  const auto exists = [&](const std::string& path) { return present.count(path) != 0; };
  EXPECT_EQ(FreeName("d", "b.opus", exists), "b.opus");
  EXPECT_EQ(FreeName("d", "a.opus", exists), "a_4.opus");

  for (const char* ours : {"07-05-09_tg-1-100_Fire.opus", "23-59-59_ch-154.4300_unnamed_2.wav"})
    EXPECT_TRUE(IsRecordingName(ours)) << ours;
  for (const char* theirs : {"notes.opus", "07-05-09_tg-1-100_Fire.mp3", "7-05-09_tg-1-100_x.opus",
                             "07-05-09_xx-1_Fire.opus", "07-05-09_tg-1-100_Fire.opus.part"})
    EXPECT_FALSE(IsRecordingName(theirs)) << theirs;
  EXPECT_FALSE(IsDayFolderName("2026-02-30"));

  // The system's zone: whatever it is, the offset is what makes local time from UTC.
  const auto local = SystemLocalTime(kEpoch);
  ASSERT_TRUE(local);
  EXPECT_EQ((DayNumber(*local) * 86400 + local->hour * 3600 + local->minute * 60 + local->second) -
                local->offsetSeconds,
            kEpoch / 1000);
}

TEST(AudioFiles, WavBytesAreRiffWithTheTagsAndPatchedSizes) {
  TempDir dir;
  const AudioTags tags = TagsFor(Talkgroup("100", "Fire"), *Zone(3600)(kEpoch));
  Failure failure;
  auto wav = OpenWavWriter(dir.file("a.wav"), 16000, tags, failure);
  ASSERT_TRUE(wav) << failure.description;
  const std::int16_t samples[] = {1, -2, 32767};
  ASSERT_FALSE(wav->write(samples, 3));
  ASSERT_FALSE(wav->finish());
  const std::string expected =
      "RIFF\xDE\0\0\0WAVE"s
      "fmt \x10\0\0\0\x01\0\x01\0\x80\x3E\0\0\x00\x7D\0\0\x02\0\x10\0"s
      "LIST\xAC\0\0\0INFO"s
      "INAM\x05\0\0\0Fire\0\0"s
      "ICRD\x1A\0\0\0" "2026-03-10T00:00:00+01:00\0"s
      "IGNR\x04\0\0\0FIR\0"s
      "ISBJ\x07\0\0\0County\0\0"s
      "ICMT\x41\0\0\0SCANDECK_KIND=talkgroup; SCANDECK_TALKGROUP=100; SCANDECK_BANK=1\0\0"s
      "ISFT\x09\0\0\0ScanDeck\0\0"s
      "data\x06\0\0\0\x01\0\xFE\xFF\xFF\x7F"s;
  EXPECT_EQ(Slurp(dir.file("a.wav")), expected);
}

#if SCANDECK_HAVE_OPUSFILE
TEST(AudioFiles, OpusReadsBackWithItsTagsLengthAndTone) {
  TempDir dir;
  CallInfo call = Talkgroup("12\xFE" "34", "Caf\xE9");
  const AudioTags tags = TagsFor(call, *Zone(-4 * 3600)(kEpoch));
  for (const int rate : {16000, 44100, 48000}) {
    const std::string path = dir.file("call-" + std::to_string(rate) + ".opus");
    Failure failure;
    auto writer = OpenOpusWriter(path, rate, tags, failure);
    ASSERT_TRUE(writer) << failure.description;
    std::vector<std::int16_t> tone(static_cast<std::size_t>(rate) * 3 / 2);  // 1.5 s of 440 Hz
    for (std::size_t i = 0; i < tone.size(); ++i)
      tone[i] = static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * std::numbers::pi * 440 * i / rate)));
    for (std::size_t at = 0; at < tone.size(); at += 320)
      ASSERT_FALSE(writer->write(tone.data() + at, std::min<std::size_t>(320, tone.size() - at)));
    ASSERT_FALSE(writer->finish());

    int error = 0;
    OggOpusFile* file = op_open_file(path.c_str(), &error);
    ASSERT_TRUE(file) << rate << ": " << error;
    EXPECT_EQ(op_head(file, -1)->input_sample_rate, static_cast<opus_uint32>(rate));
    EXPECT_NEAR(static_cast<double>(op_pcm_total(file, -1)), 72000.0, 48000.0 / rate + 1) << rate;
    const OpusTags* read = op_tags(file, -1);
    const std::map<std::string, std::string> want = {
        {"TITLE", "Caf\xC3\xA9"}, {"SCANDECK_KIND", "talkgroup"}, {"SCANDECK_TALKGROUP", "12\xC3\xBE" "34"},
        {"SCANDECK_BANK", "1"}, {"SCANDECK_SYSTEM", "County"}, {"SCANDECK_TYPE", "FIR"},
        {"DATE", "2026-03-09T19:00:00-04:00"}};
    for (const auto& [tag, value] : want) {
      const char* got = opus_tags_query(read, tag.c_str(), 0);
      EXPECT_EQ(got ? std::string(got) : "(none)", value) << tag;
    }
    EXPECT_EQ(opus_tags_query(read, "SCANDECK_FREQUENCY", 0), nullptr) << "no frequency for a talkgroup";
    // The tone comes back as itself: far more of it at 440 Hz than at 1 kHz.
    std::vector<opus_int16> pcm(5760);
    std::complex<double> power[2];
    long long t = 0;
    for (int n; (n = op_read(file, pcm.data(), static_cast<int>(pcm.size()), nullptr)) > 0; t += n)
      for (int i = 0; i < n; ++i)
        for (const int k : {0, 1})
          power[k] += std::polar(double(pcm[i]), -2 * std::numbers::pi * (k ? 1000 : 440) * double(t + i) / 48000);
    EXPECT_GT(std::abs(power[0]), 10 * std::abs(power[1])) << rate;
    op_free(file);
  }
}
#endif

namespace {

class FakeDisk final : public SystemDisk {
 public:
  std::optional<std::uint64_t> freeBytes(const std::string&) const override { return free; }
  std::optional<std::uint64_t> free = 100000 * kMegabyte;
};

struct StoreRig {
  TempDir dir;
  FakeDisk disk;
  StoreOptions options;
  std::int64_t now = kEpoch;
  StoreRig() {
    options.folder = dir.file("recordings");
    options.format = RecordFormat::Wav;
    options.rate = 8000;
    options.minFreeBytes = 500 * kMegabyte;
  }
  RecordingStore store() { return RecordingStore(options, disk, Zone(3600), [this] { return now; }); }
  std::string day(const std::string& name) const { return options.folder + "/" + name; }
  void place(const std::string& name, const std::string& bytes = "x") const {
    fs::create_directories(fs::path(day(name)).parent_path());
    Spit(day(name), bytes);
  }
  // What the folder holds (relative paths), only what `keep` accepts.
  std::set<std::string> names(bool (*keep)(const std::string&) = nullptr) const {
    std::set<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(options.folder, ec))
      if (const auto name = fs::relative(e.path(), options.folder).generic_string(); !keep || keep(name))
        out.insert(name);
    return out;
  }
};

// A call at `start_ms`..`end_ms` on an 8 kHz capture that began at kEpoch.
void Call(CallRecorder& recorder, const CallInfo& call, long start_ms, long end_ms) {
  const auto at = [](long ms) { return static_cast<std::uint64_t>(ms) * 8; };
  Feed(recorder, at(start_ms));
  recorder.callStarted(call, at(start_ms), kEpoch + start_ms);
  Feed(recorder, at(end_ms));
  recorder.callEnded(at(end_ms), kEpoch + end_ms);
}

// The size a WAV file's data chunk declares, checked against what the file holds.
std::uint32_t DataBytes(const std::string& path) {
  const std::string bytes = Slurp(path);
  const auto at = bytes.find("data");
  if (at == std::string::npos || at + 8 > bytes.size()) return 0;
  std::uint32_t size = 0;
  for (int i = 3; i >= 0; --i) size = size << 8 | static_cast<unsigned char>(bytes[at + 4 + i]);
  return at + 8 + size == bytes.size() ? size : 0;
}

}  // namespace

TEST(RecordingStoreFiles, KeptCallsAreRenamedAndIndexedInTheirDayFolder) {
  StoreRig rig;
  RecordingStore store = rig.store();
  store.startUp();
  RecorderRules rules = RulesFrom(RecordingSettings{}, 8000);
  rules.hangMs = 0;
  CallRecorder recorder(rules, store);
  const CallInfo channel{{CallKind::Channel, "", "154.4300"}, "", "", "", 31};
  Call(recorder, Talkgroup("100", "Fire/EMS"), 600, 1200);
  Call(recorder, Talkgroup("100", "Fire/EMS"), 1300, 1900);  // the same second: a second name
  Call(recorder, Talkgroup("200"), 3000, 3200);              // too short
  Call(recorder, channel, 4000, 5000);
  Feed(recorder, 8 * 8000);
  EXPECT_EQ(rig.names(),
            (std::set<std::string>{"2026-03-10", "2026-03-10/00-00-00_tg-1-100_Fire-EMS.wav",
                                   "2026-03-10/00-00-00_tg-1-100_Fire-EMS_2.wav",
                                   "2026-03-10/00-00-03_ch-154.4300_unnamed.wav", "2026-03-10/calls.csv"}));
  EXPECT_EQ(Slurp(rig.day("2026-03-10/calls.csv")),
            "\xEF\xBB\xBF" "start,end,duration_s,kind,bank,channel,frequency_mhz,talkgroup,name,type,file\r\n"
            "2026-03-10T00:00:00+01:00,2026-03-10T00:00:01+01:00,1.1,talkgroup,1,,,100,Fire/EMS,FIR,"
            "00-00-00_tg-1-100_Fire-EMS.wav\r\n"
            "2026-03-10T00:00:00+01:00,2026-03-10T00:00:01+01:00,1.1,talkgroup,1,,,100,Fire/EMS,FIR,"
            "00-00-00_tg-1-100_Fire-EMS_2.wav\r\n"
            "2026-03-10T00:00:03+01:00,2026-03-10T00:00:05+01:00,1.5,channel,2,31,154.4300,,,,"
            "00-00-03_ch-154.4300_unnamed.wav\r\n");
  EXPECT_EQ(DataBytes(rig.day("2026-03-10/00-00-03_ch-154.4300_unnamed.wav")), 1500u * 8 * 2)
      << "1.5 s of 8 kHz samples, pre-roll included";
  EXPECT_EQ(store.lastFile(), rig.day("2026-03-10/00-00-03_ch-154.4300_unnamed.wav"));
  EXPECT_EQ(store.keptFiles(), 3u);
}

// The Heard window's counts: every day's calls.csv read once, then the files the
// store keeps, on one key whichever way a channel's frequency was written.
TEST(RecordingStoreFiles, CallCountsFromTheIndexesMeetTheKeptFiles) {
  StoreRig rig;
  rig.place("2026-03-09/calls.csv",
            "\xEF\xBB\xBF" + std::string(kCallIndexHeader) + "\r\n"
            "a,b,1.0,talkgroup,1,,,100,\"Fire, \"\"North\"\"\r\nside\",FIR,09-00-00_tg-1-100_a.wav\r\n"
            "a,b,1.0,talkgroup,2,,,100,,,09-00-01_tg-2-100_b.wav\r\n"
            "a,b,1.0,channel,2,31,154.4300,,,,../escape.wav\r\n"
            "a,b,1.0\r\n");
  rig.place("2026-03-08/calls.csv", "x,y,1.0,talkgroup,1,,,100,,,08-00-00_tg-1-100_old.wav\n");
  rig.place("notes/calls.csv", "x,y,1.0,talkgroup,1,,,100,,,not-a-day.wav\n");
  RecordingStore store = rig.store();
  store.startUp();
  RecorderRules rules = RulesFrom(RecordingSettings{}, 8000);
  rules.hangMs = 0;
  CallRecorder recorder(rules, store);
  Call(recorder, Talkgroup("100", "Fire"), 600, 1200);
  Call(recorder, CallInfo{{CallKind::Channel, "", "154.43"}, "", "", "", 31}, 4000, 5000);
  Feed(recorder, 8 * 8000);
  const std::vector<KeptCall> kept = store.takeKept();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_TRUE(store.takeKept().empty()) << "each kept file is told once";

  CallCounts counts;
  counts.load(rig.options.folder);
  const CallKey tg1{CallKind::Talkgroup, "1", "100"}, tg2{CallKind::Talkgroup, "2", "100"},
      channel{CallKind::Channel, "", "154.4300"};
  const struct { CallKey key; std::size_t count; std::string last; } cases[] = {
      {tg1, 3, rig.day("2026-03-10/00-00-00_tg-1-100_Fire.wav")},  // 03-08, 03-09 and the kept one
      {tg2, 1, rig.day("2026-03-09/09-00-01_tg-2-100_b.wav")},
      {channel, 1, rig.day("2026-03-10/00-00-03_ch-154.4300_unnamed.wav")},  // the ../ row is no file of ours
      {{CallKind::Talkgroup, "3", "100"}, 0, ""},
  };
  for (const auto& t : cases)
    EXPECT_EQ(std::make_pair(counts.of(t.key).count, std::filesystem::path(counts.of(t.key).lastFile)),
              std::make_pair(t.count, std::filesystem::path(t.last)))  // either separator on Windows
        << t.key.id;
  counts.add(kept[0]);
  EXPECT_EQ(counts.of(tg1).count, 4u);
  EXPECT_EQ(CsvRecords("\xEF\xBB\xBF" "a,\"b,\"\"c\"\"\r\nd\"\r\n,\r\n\r\ne")[0],
            (std::vector<std::string>{"a", "b,\"c\"\r\nd"}));
  EXPECT_EQ(CsvRecords("a,\"b,\"\"c\"\"\r\nd\"\r\n,\r\n\r\ne").size(), 3u) << "an empty line is no record";
}

TEST(RecordingStoreFiles, StartUpRemovesOnlyItsOwnUnfinishedFiles) {
  StoreRig rig;
  const std::string ours = "2026-03-09/10-00-00_tg-1-100_Fire.opus";
  for (const std::string& name : {ours, ours + ".part", "2026-03-09/calls.csv.tmp"s, "2026-03-09/notes.part"s,
                                  "misc/10-00-00_tg-1-100_Fire.opus.part"s,
                                  "2026-13-01/10-00-00_tg-1-100_Fire.opus.part"s})
    rig.place(name);
  RecordingStore store = rig.store();
  store.startUp();
  EXPECT_EQ(rig.names(),
            (std::set<std::string>{"2026-03-09", ours, "2026-03-09/notes.part", "misc",
                                   "misc/10-00-00_tg-1-100_Fire.opus.part", "2026-13-01",
                                   "2026-13-01/10-00-00_tg-1-100_Fire.opus.part"}));
  EXPECT_EQ(store.takeNotices(), std::vector<std::string>{"Removed 2 unfinished file(s) left by an earlier run"});
  EXPECT_EQ(store.keptFiles(), 1u);
}

TEST(RecordingStoreFiles, QuotaAndAgeEvictTheOldestRecordingsOnly) {
  const std::string a = "2026-03-01/01-00-00_tg-1-1_a.wav", b = "2026-03-01/02-00-00_tg-1-1_b.wav",
                    c = "2026-03-05/01-00-00_ch-154.4300_c.wav", d = "2026-03-10/00-00-00_tg-1-2_d.wav";
  const struct {
    std::uint64_t quota;
    long keepDays;
    std::set<std::string> left;
  } cases[] = {
      {0, 0, {a, b, c, d}},
      {3 * kMegabyte, 0, {b, c, d}},
      {kMegabyte + 1, 0, {d}},
      {kMegabyte / 2, 0, {d}},  // the newest stays even alone over the bound
      {0, 9, {c, d}},           // 2026-03-01 is nine days before 2026-03-10
      {0, 10, {a, b, c, d}},
  };
  for (const auto& t : cases) {
    StoreRig rig;
    for (const std::string& name : {a, b, c, d}) rig.place(name, std::string(kMegabyte, 'x'));
    for (const char* other : {"2026-03-01/calls.csv", "2026-03-05/calls.csv", "2026-03-05/mine.txt"}) rig.place(other);
    rig.options.quotaBytes = t.quota;
    rig.options.keepDays = t.keepDays;
    RecordingStore store = rig.store();
    store.startUp();
    EXPECT_EQ(rig.names([](const std::string& name) { return IsRecordingName(fs::path(name).filename().string()); }),
              t.left)
        << t.quota << " " << t.keepDays;
    EXPECT_EQ(fs::exists(rig.day("2026-03-01")), t.left.count(a) + t.left.count(b) > 0)
        << "a day folder emptied of recordings goes with its calls.csv";
    EXPECT_TRUE(fs::exists(rig.day("2026-03-05/mine.txt")));
    EXPECT_EQ(store.usedBytes(), t.left.size() * kMegabyte);
  }
}

TEST(RecordingStoreFiles, LowSpaceStopsRecordingOnceAndResumes) {
  StoreRig rig;
  rig.disk.free = 10 * kMegabyte;
  RecordingStore store = rig.store();
  store.startUp();
  CallRecorder recorder(RulesFrom(RecordingSettings{}, 8000), store);
  Call(recorder, Talkgroup("100"), 1000, 2000);
  Call(recorder, Talkgroup("200"), 3000, 4000);
  Feed(recorder, 8 * 7000);  // the recorder decides two seconds behind the capture
  EXPECT_EQ(store.takeNotices(),
            std::vector<std::string>{"Recording stopped: less than 500 MB free on the recordings' disk"});
  EXPECT_TRUE(store.stoppedForSpace());
  rig.disk.free = 600 * kMegabyte;
  Call(recorder, Talkgroup("100"), 9000, 12000);
  // Gone again mid-call: the file so far is kept, and nothing more is written.
  Feed(recorder, 8 * 15000);
  recorder.callStarted(Talkgroup("200"), 8 * 15000, kEpoch + 15000);
  Feed(recorder, 8 * 18000);
  rig.disk.free = 1 * kMegabyte;
  Feed(recorder, 8 * 25000);
  recorder.callEnded(8 * 25000, kEpoch + 25000);
  Feed(recorder, 8 * 35000);
  EXPECT_EQ(store.takeNotices(),
            (std::vector<std::string>{"Recording resumed: 500 MB or more free again",
                                      "Recording stopped: less than 500 MB free on the recordings' disk"}));
  EXPECT_EQ(rig.names([](const std::string& name) { return name.ends_with(".wav"); }), (std::set<std::string>{"2026-03-10/00-00-08_tg-1-100_unnamed.wav",
                                         "2026-03-10/00-00-14_tg-1-200_unnamed.wav"}));
  // The space went when the recorder had reached 16 s, 1.5 s into the file.
  const auto bytes = DataBytes(rig.day("2026-03-10/00-00-14_tg-1-200_unnamed.wav"));
  EXPECT_GE(bytes, 1500u * 8 * 2) << "what came before the space went is kept";
  EXPECT_LE(bytes, 2500u * 8 * 2) << "and writing stopped within a second of audio";
}
