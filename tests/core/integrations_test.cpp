// The now-playing text, the Icecast request and its pacing, the rig-control
// protocol and integrations.ini, without a display or a network.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "common/core/clock.h"
#include "integrations/core/icecast.h"
#include "integrations/core/integration_settings.h"
#include "integrations/core/now_playing.h"
#include "integrations/core/rig_protocol.h"

using namespace scandeck;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

ScannerStatus Conventional(bool open) {
  ScannerStatus s;
  s.ModeText = "Scan Mode";
  s.FrequencyText = "154.4300";
  s.ChannelName = "Fire Dispatch";
  s.ChannelType = "FDP";
  s.SquelchOpen = open;
  return s;
}

ScannerStatus Trunked(bool active) {
  ScannerStatus s = Conventional(false);
  s.ModeText = "Scan ID";
  s.ModeCode = 17;
  s.FrequencyText = "851.0125";
  s.SystemName = "METRO 800 ";
  s.TalkgroupId = "405-12";
  s.TalkgroupName = "Police Dispatch";
  s.TalkgroupType = "POL";
  s.TalkgroupActive = active;
  return s;
}

TEST(NowPlaying, TemplateFilledFromWhatIsHeard) {
  ScannerStatus unnamed = Conventional(true);
  unnamed.ChannelName.clear();
  unnamed.ChannelType.clear();
  ScannerStatus anonymous = Trunked(true);
  anonymous.TalkgroupName.clear();
  ScannerStatus conventional_tg = Trunked(true);
  conventional_tg.ModeCode = 1;  // a talkgroup report left over after leaving trunk mode
  conventional_tg.SquelchOpen = false;
  struct Row {
    ScannerStatus status;
    const char* format;
    const char* expected;
  } rows[] = {
      {Conventional(true), kDefaultNowPlayingFormat, "Fire Dispatch (FDP) 154.4300"},
      {Conventional(false), kDefaultNowPlayingFormat, kDefaultIdleText},
      {unnamed, kDefaultNowPlayingFormat, "154.4300 154.4300"},
      {Trunked(true), "{system}: {name} [{tgid}] {mode} {freq}", "METRO 800: Police Dispatch [405-12] Scan ID 851.0125"},
      {anonymous, "{name} ({type})", "405-12 (POL)"},
      {Trunked(false), "{name}", kDefaultIdleText},
      {conventional_tg, "{name}", kDefaultIdleText},
      {Conventional(true), "{name} ({tgid}) [{system}] {unknown}", "Fire Dispatch {unknown}"},
      {Conventional(true), "a\r\nb\t{type}", "a b FDP"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(NowPlayingText(row.status, {row.format, kDefaultIdleText}), row.expected) << row.format;
  const std::string huge(2000, 'x');
  EXPECT_EQ(NowPlayingText(Conventional(true), {huge + "{name}", ""}).size(), kNowPlayingMaxBytes);
}

TEST(Icecast, EveryFieldPercentEncodedAndTheSongInUtf8) {
  const std::pair<std::string, std::string> encoded[] = {
      {"Fire & Rescue", "Fire%20%26%20Rescue"}, {"Ops #2", "Ops%20%232"},      {"a+b=c?d/e", "a%2Bb%3Dc%3Fd%2Fe"},
      {"100%", "100%25"},                       {"safe-._~AZaz09", "safe-._~AZaz09"}, {"\x7F", "%7F"}};
  for (const auto& [in, out] : encoded) EXPECT_EQ(PercentEncode(in), out) << in;
  EXPECT_EQ(Latin1ToUtf8("Caf\xE9 \xFF"), "Caf\xC3\xA9 \xC3\xBF");
  const std::pair<std::string, std::string> base64[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"source:hackme", "c291cmNlOmhhY2ttZQ=="}};
  for (const auto& [in, out] : base64) EXPECT_EQ(Base64(in), out) << in;

  const IcecastRequest request = MetadataRequest({"/scan&deck.mp3", "source", "p\xE4ss"}, "Caf\xE9 & Bar #1");
  EXPECT_EQ(request.target,
            "/admin/metadata?mode=updinfo&mount=%2Fscan%26deck.mp3&song=Caf%C3%A9%20%26%20Bar%20%231&charset=UTF-8");
  EXPECT_EQ(request.authorization, "Basic " + Base64("source:p\xC3\xA4ss"));
}

TEST(Icecast, SentOnChangeAtMostOnceASecondAfterTheDelayAndSlowerWhileFailing) {
  ManualClock clock;
  TitleSchedule titles(clock);
  titles.offer("A");
  ASSERT_EQ(titles.next(), "A");
  EXPECT_EQ(titles.next(), std::nullopt) << "one request at a time";
  EXPECT_FALSE(titles.finished(true));
  titles.offer("A");
  titles.offer("B");
  titles.offer("C");
  clock.advance(milliseconds{999});
  EXPECT_EQ(titles.next(), std::nullopt) << "within the second after a send";
  clock.advance(milliseconds{1});
  EXPECT_EQ(titles.next(), "C") << "the newest due text; B was overtaken";
  titles.finished(true);
  titles.offer("C");
  clock.advance(seconds{5});
  EXPECT_EQ(titles.next(), std::nullopt) << "no change, nothing to send";

  // With a delay, each text goes when its own moment comes.
  titles.setDelay(seconds{3});
  titles.offer("D");
  clock.advance(seconds{2});
  titles.offer("E");
  EXPECT_EQ(titles.next(), std::nullopt);
  clock.advance(seconds{1});
  EXPECT_EQ(titles.next(), "D");
  titles.finished(true);
  clock.advance(seconds{1});
  EXPECT_EQ(titles.next(), std::nullopt);
  clock.advance(seconds{1});
  EXPECT_EQ(titles.next(), "E");

  // Failures: reported on the first only, retried after 2, 4, 8 ... 60 s.
  EXPECT_TRUE(titles.finished(false));
  EXPECT_TRUE(titles.failing());
  const long waits[] = {2000, 4000, 8000, 16000, 32000, 60000, 60000};
  for (long wait : waits) {
    EXPECT_EQ(titles.retryIn(), milliseconds{wait});
    clock.advance(milliseconds{wait - 1});
    EXPECT_EQ(titles.next(), std::nullopt) << wait;
    clock.advance(milliseconds{1});
    ASSERT_EQ(titles.next(), "E") << wait;
    EXPECT_FALSE(titles.finished(false)) << "reported once";
  }
  clock.advance(seconds{60});
  titles.setDelay(seconds{0});
  titles.offer("F");
  EXPECT_EQ(titles.next(), "F") << "a newer text replaces the failed one";
  EXPECT_TRUE(titles.finished(true)) << "the recovery is news too";
  EXPECT_FALSE(titles.failing());
}

TEST(RigProtocol, EveryCommandAndMalformedLines) {
  RigState state;
  state.frequency_hz = 154430000;
  const std::pair<const char*, const char*> rows[] = {
      {"f", "154430000\n"},
      {"\\get_freq\r", "154430000\n"},
      {"m", "FM\n15000\n"},
      {"\\get_mode", "FM\n15000\n"},
      {"v", "VFOA\n"},
      {"\\get_vfo", "VFOA\n"},
      {"\\chk_vfo", "0\n"},
      {"\\get_powerstat", "1\n"},
      {"F 14250000", "RPRT -11\n"},
      {"\\set_freq 14250000", "RPRT -11\n"},
      {"M USB 2400", "RPRT -11\n"},
      {"V VFOB", "RPRT -11\n"},
      {"T 1", "RPRT -11\n"},
      {"+f", "get_freq:\nFrequency: 154430000\nRPRT 0\n"},
      {";\\get_mode", "get_mode:;Mode: FM;Passband: 15000;RPRT 0\n"},
      {"|M USB 2400", "set_mode: USB 2400|RPRT -11\n"},
      {"", ""},
      {"   ", ""},
      {"ff", "RPRT -1\n"},
      {"\\", "RPRT -1\n"},
      {"\\no_such_command", "RPRT -1\n"},
      {"\x01\xFF", "RPRT -1\n"},
      {"+zz", "zz:\nRPRT -1\n"},
  };
  for (const auto& [line, reply] : rows) EXPECT_EQ(RigAnswer(line, state).text, reply) << line;
  EXPECT_TRUE(RigAnswer("q", state).close);
  EXPECT_TRUE(RigAnswer("\\quit", state).close);
  EXPECT_FALSE(RigAnswer("f", state).close);

  // The state dump as the network client walks it: version 0, model 2, region; the
  // receive and transmit ranges, tuning steps and filters, each list ended by its
  // zero line; then the RIT, XIT, IF shift, announce, preamp, attenuator and six masks.
  std::istringstream dump(RigAnswer("\\dump_state", state).text);
  std::string line;
  std::vector<std::string> header(3);
  for (auto& h : header) std::getline(dump, h);
  EXPECT_EQ(header, (std::vector<std::string>{"0", "2", "2"}));
  std::vector<int> entries;
  for (const char* end : {"0 0 0 0 0 0 0", "0 0 0 0 0 0 0", "0 0", "0 0"}) {
    int n = 0;
    while (std::getline(dump, line) && line != end) ++n;
    entries.push_back(n);
  }
  EXPECT_EQ(entries, (std::vector<int>{4, 0, 2, 2})) << "the scanner's four bands, nothing to transmit";
  int rest = 0;
  while (std::getline(dump, line)) ++rest;
  EXPECT_EQ(rest, 12);

  // The scanner's own choice of AM on the air band, 108 to 137 MHz, at both edges;
  // nothing shown is 0 Hz.
  for (const auto& [text, hz, mode] :
       {std::tuple{" 121.5000", 121500000LL, "AM"}, {"107.9950", 107995000LL, "FM"}, {"108.0000", 108000000LL, "AM"},
        {"136.9875", 136987500LL, "AM"}, {"137.0000", 137000000LL, "FM"}, {"154.4300", 154430000LL, "FM"},
        {"garbage", 0LL, "FM"}}) {
    ScannerStatus s;
    s.FrequencyText = text;
    EXPECT_EQ(RigStateOf(s).frequency_hz, hz) << text;
    EXPECT_EQ(RigStateOf(s).mode, mode) << text;
  }
}

TEST(RigProtocol, LinesSplitAcrossReadsAndOverlongLines) {
  RigLineBuffer lines;
  ASSERT_TRUE(lines.append("f\n\\get_m"));
  EXPECT_EQ(lines.nextLine(), "f");
  EXPECT_EQ(lines.nextLine(), std::nullopt);
  ASSERT_TRUE(lines.append("ode\r\n\n"));
  EXPECT_EQ(lines.nextLine(), "\\get_mode\r");
  EXPECT_EQ(lines.nextLine(), "");

  RigLineBuffer longest;
  EXPECT_TRUE(longest.append(std::string(kRigMaxLine, 'x')));
  EXPECT_TRUE(longest.append("\n"));
  EXPECT_EQ(longest.nextLine()->size(), kRigMaxLine);
  RigLineBuffer pieces;
  EXPECT_TRUE(pieces.append(std::string(kRigMaxLine, 'x')));
  EXPECT_FALSE(pieces.append("x")) << "one byte past the bound, in a later piece";
  RigLineBuffer inside;
  EXPECT_FALSE(inside.append("f\n" + std::string(kRigMaxLine + 1, 'x') + "\nf\n")) << "an overlong line amid good ones";
}

TEST(RigProtocol, ANewcomerWaitsForAPlaceAndTakesTheLongestSilentOne) {
  using K = RigAdmission::Kind;
  const std::int64_t now = 100000;
  auto full = [&](std::int64_t silent_ms) { return std::vector<std::int64_t>(kRigMaxClients, now - silent_ms); };
  auto with = [](std::vector<std::int64_t> heard, std::size_t i, std::int64_t at) {
    heard[i] = at;
    return heard;
  };
  const struct {
    const char* what;
    std::vector<std::int64_t> heard;
    K kind;
    std::size_t evict;
    std::int64_t wait_ms;
  } rows[] = {
      {"a free place", std::vector<std::int64_t>(kRigMaxClients - 1, now - 60000), K::Admit, 0, 0},
      {"all just heard", full(0), K::Wait, 0, kRigSilentMs},
      {"all heard a while ago", full(kRigSilentMs - 1), K::Wait, 0, 1},
      {"one silent long enough", with(full(10), 7, now - kRigSilentMs), K::Evict, 7, 0},
      {"the longest silent of two", with(with(full(10), 3, now - 6000), 12, now - 9000), K::Evict, 12, 0},
      {"the quietest sets the wait", with(full(10), 9, now - 4000), K::Wait, 0, kRigSilentMs - 4000},
  };
  for (const auto& r : rows) {
    const RigAdmission a = RigAdmit(r.heard, now);
    EXPECT_EQ(a.kind, r.kind) << r.what;
    if (r.kind == K::Evict) {
      EXPECT_EQ(a.evict, r.evict) << r.what;
    }
    if (r.kind == K::Wait) {
      EXPECT_EQ(a.wait_ms, r.wait_ms) << r.what;
    }
  }
}

TEST(IntegrationSettingsFile, RoundTripAndDamagedValuesKeepTheirDefaults) {
  IntegrationSettings s;
  EXPECT_FALSE(s.icecast || s.overlay || s.rig || s.stream.enabled) << "everything off by default";
  EXPECT_EQ(s.rigAddress, "127.0.0.1");
  s.text = {"{name} \xE9 = {freq}", "Quiet"};
  s.icecast = s.overlay = s.rig = true;
  s.icecastPassword = "a=b\nrig=0";
  s.icecastDelaySeconds = 12;
  s.rigPort = 4533;
  s.stream = {true, "radio.example", 8443, "/fire.opus", "me", "p#w&", StreamFormat::Opus, 24, "Fire \xE9", "Scanner",
              "County", true, true};
  IntegrationSettings back = ReadIntegrationText(IntegrationText(s));
  EXPECT_EQ(back.icecastPassword, "a=b rig=0") << "a line break cannot start another key";
  back.icecastPassword = s.icecastPassword;
  EXPECT_EQ(back, s);

  const IntegrationSettings defaults;
  const char* damaged[] = {"rig_port=0\n", "rig_port=70000\n", "icecast_port=80x\n", "icecast_delay=61\n",
                           "icecast=yes\n", "rig_address=\n", "\x01\x02\xFF", "rig_port=-1",
                           "stream=2\n", "stream_port=0\n", "stream_mount=live\n", "stream_mount=/\n",
                           "stream_format=aac\n", "stream_bitrate=33\n", "stream_bitrate=32k\n", "stream_user=\n",
                           "stream_host=\n", "stream_public=yes\n", "stream_calls_only=-1\n"};
  for (const char* text : damaged) EXPECT_EQ(ReadIntegrationText(text), defaults) << text;
}

}  // namespace
