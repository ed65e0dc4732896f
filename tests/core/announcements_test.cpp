// What a listener hears without moving the focus, and the file that keeps the choice.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "announce/core/announcements.h"
#include "support/temp_dir.h"

using namespace scandeck;
using namespace scandeck::testing;

namespace {

ScannerStatus Trunked(bool active, const char* id, const char* name) {
  ScannerStatus s;
  s.ModeCode = 17;
  s.TalkgroupActive = active;
  s.TalkgroupId = id;
  s.TalkgroupName = name;
  return s;
}

ScannerStatus Conventional(bool open, const char* channel, const char* name, const char* frequency) {
  ScannerStatus s;
  s.SquelchOpen = open;
  s.ChannelNumber = channel;
  s.ChannelName = name;
  s.FrequencyText = frequency;
  return s;
}

// Feeds one status per 50 ms tick and collects what is said.
std::vector<std::string> Ticks(Announcer& a, const std::vector<ScannerStatus>& ticks, long long start = 0) {
  std::vector<std::string> said;
  long long now = start;
  for (const ScannerStatus& s : ticks) {
    a.observe(s, now);
    if (std::string t = a.take(now); !t.empty()) said.push_back(t);
    now += 50;
  }
  return said;
}

TEST(Announcer, TalkgroupStartsChannelOpeningsAndTheChoice) {
  const ScannerStatus idle = Trunked(false, "", "");
  const ScannerStatus fire = Trunked(true, "04-023", "Fire Dispatch");
  const ScannerStatus unnamed = Trunked(true, "04-777", "");
  const ScannerStatus ended = Trunked(false, "04-023", "Fire Dispatch");
  const ScannerStatus closed = Conventional(false, "2", "Fire Dispatch", "154.4300");
  const ScannerStatus stale = Conventional(true, "2", "Fire Dispatch", "154.4300");
  const ScannerStatus police = Conventional(true, "5", "", "460.1250");
  ScannerStatus trunk_open = stale;
  trunk_open.ModeCode = 17;
  const struct {
    AnnounceChoice choice;
    std::vector<ScannerStatus> ticks;
    std::vector<std::string> said;
  } cases[] = {
      {AnnounceChoice::Talkgroups, {idle, fire, fire, fire}, {"Talkgroup Fire Dispatch"}},
      {AnnounceChoice::Talkgroups, {idle, unnamed}, {"Talkgroup 04-777"}},
      // The same talkgroup again after it ended is a new start.
      {AnnounceChoice::Talkgroups, {fire, ended, fire}, {"Talkgroup Fire Dispatch"}},
      {AnnounceChoice::Nothing, {idle, fire, ended, fire}, {}},
      {AnnounceChoice::Talkgroups, {closed, stale, stale, stale, stale}, {}},
      // The frequency reply follows the squelch: the channel it settles on is said once.
      {AnnounceChoice::TalkgroupsAndChannels, {closed, stale, police, police, police, police, police},
       {"Channel 5, 460.1250 MHz"}},
      {AnnounceChoice::TalkgroupsAndChannels, {closed, stale, stale, stale, stale, closed, stale, stale, stale, stale},
       {"Channel 2, Fire Dispatch"}},
      {AnnounceChoice::TalkgroupsAndChannels, {trunk_open, trunk_open, trunk_open, trunk_open}, {}},
  };
  for (const auto& c : cases) {
    Announcer a(c.choice);
    EXPECT_EQ(Ticks(a, c.ticks), c.said) << AnnounceChoiceWord(c.choice) << ", " << c.ticks.size() << " ticks";
  }
}

TEST(Announcer, ABurstIsOneAnnouncementPerGapAndTheNewestWins) {
  Announcer a(AnnounceChoice::Talkgroups);
  std::vector<ScannerStatus> burst;
  const char* ids[] = {"01-001", "01-002", "01-003", "01-004"};
  for (const char* id : ids) burst.push_back(Trunked(true, id, ""));
  for (int i = 0; i < 30; ++i) burst.push_back(burst.back());
  // Four talkgroups in 200 ms: the first at once, the last when the gap has passed.
  EXPECT_EQ(Ticks(a, burst), (std::vector<std::string>{"Talkgroup 01-001", "Talkgroup 01-004"}));
  a.focusedValue("L/O, lockout off");
  EXPECT_EQ(a.take(10'000), "L/O, lockout off");
  EXPECT_EQ(a.take(10'050), "");
}

TEST(AnnounceFile, ChoiceWordsDefaultsAndSafeWriting) {
  const struct {
    const char* text;
    AnnounceChoice choice;
  } texts[] = {{"[announce]=nothing\r\n", AnnounceChoice::Nothing},
               {"# mine\n[announce]= talkgroups \n", AnnounceChoice::Talkgroups},
               {"[announce]=talkgroups and channels", AnnounceChoice::TalkgroupsAndChannels},
               {"[announce]=everything\r\n", kDefaultAnnounceChoice},
               {"", kDefaultAnnounceChoice}};
  for (const auto& t : texts) EXPECT_EQ(AnnounceChoiceFromText(t.text), t.choice) << t.text;

  TempDir dir;
  const std::string path = dir.file(kAnnounceFileName);
  EXPECT_EQ(ReadAnnounceChoice(path), kDefaultAnnounceChoice);
  Spit(path, std::string(100000, 'x') + "\n[announce]=nothing\n");  // too long to be ours
  EXPECT_EQ(ReadAnnounceChoice(path), kDefaultAnnounceChoice);
  for (AnnounceChoice c : {AnnounceChoice::Nothing, AnnounceChoice::Talkgroups, AnnounceChoice::TalkgroupsAndChannels}) {
    ASSERT_FALSE(WriteAnnounceChoice(path, c));
    EXPECT_EQ(ReadAnnounceChoice(path), c);
  }
  EXPECT_EQ(Slurp(path), "[announce]=talkgroups and channels\r\n");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  EXPECT_TRUE(WriteAnnounceChoice(dir.file("missing/announcements.ini"), AnnounceChoice::Nothing));
}

}  // namespace
