// Replies go in through the fake port and the receive path, exactly as a poll tick
// collects them; the checks read ScannerStatus, the compact window and the port.
#include <gtest/gtest.h>


#include "link/core/process_replies.h"
#include "link/core/status_sweep.h"
#include "support/fake_port.h"

using namespace scandeck;
using scandeck::testing::FakePort;
using scandeck::testing::ListReporter;
using Commands = std::vector<std::string>;

namespace {

class StatusTest : public ::testing::Test {
 protected:
  StatusTest() { port.is_open = true; }

  // One tick's worth of replies, each ended by a carriage return; returns what
  // the processing wrote.
  Commands tick(const std::vector<std::string>& replies) {
    port.written.clear();
    for (const auto& r : replies) port.incoming += r + '\r';
    link.CollectReplies();
    processor.ProcessReplies(link.replies());
    return port.commands();
  }

  void channel(int n, const char* frequency, const char* name, const char* type) {
    channels[n].frequency = frequency;
    channels[n].name = name;
    channels[n].type = type;
  }
  void talkgroup(int bank, int entry, const char* id, const char* name, const char* type) {
    *talkgroups.find(bank, entry) = IdEntry{"", id, type, name, "", ""};
  }

  FakePort port;
  PagCom pag{port};
  ListReporter reporter;
  Link link{pag, reporter};
  ScannerStatus status;
  CompactView compact;
  FreqDirectory channels;
  IdDirectory talkgroups;
  StatusProcessor processor{link, reporter, status, compact, channels, talkgroups, '.'};
};

TEST_F(StatusTest, IndicatorFlagsReadTheThirdCharacter) {
  const struct {
    const char* reply;
    bool ScannerStatus::*flag;
    bool on;
  } cases[] = {
      {"DSN", &ScannerStatus::DataSkipOn, true},   {"DSF", &ScannerStatus::DataSkipOn, false},
      {"ATN", &ScannerStatus::AttenuatorOn, true}, {"AT", &ScannerStatus::AttenuatorOn, false},
      {"PRN", &ScannerStatus::PriorityOn, true},   {"PRn", &ScannerStatus::PriorityOn, false},
      {"DLN", &ScannerStatus::DelayOn, true},      {"DL", &ScannerStatus::DelayOn, false},
      {"LON", &ScannerStatus::LockoutOn, true},    {"LOX", &ScannerStatus::LockoutOn, false},
      {"LTN", &ScannerStatus::LightState, true},   {"LTF", &ScannerStatus::LightState, false},
  };
  for (const auto& c : cases) {
    status.*c.flag = !c.on;
    EXPECT_TRUE(tick({c.reply}).empty()) << c.reply;
    EXPECT_EQ(status.*c.flag, c.on) << c.reply;
  }
}

TEST_F(StatusTest, AudioIsMuteMonitorOrNeither) {
  const struct {
    const char* reply;
    Audio state;
  } cases[] = {{"MUN", Audio::Mute}, {"MUF", Audio::Monitor}, {"MUA", Audio::Neither},
               {"MUN", Audio::Mute}, {"MU", Audio::Neither},  {"MUf", Audio::Neither}};
  for (const auto& c : cases) {
    tick({c.reply});
    EXPECT_EQ(status.AudioState, c.state) << c.reply;
  }
}

TEST_F(StatusTest, ModeDigitsSetTextCodeTalkgroupAndFollowUps) {
  const struct {
    const char* reply;
    const char* text;  // nullptr: unchanged
    int code;
    bool talkgroup_cleared;
    Commands written;
  } cases[] = {
      {"MD00", "Scan Mode", 0, true, {}},          {"MD01", "Manual Mode", 1, true, {}},
      {"MD02", "Limit Search", 2, true, {}},       {"MD03", "Hold Search", 3, true, {}},
      {"MD04", "Svc Search", 4, true, {}},         {"MD05", "Svc Search", 5, true, {}},
      {"MD09", "ID Search", 9, false, {"TB", "IC"}}, {"MD15", "ID Search", 15, false, {"TB", "IC"}},
      {"MD16", "ID Src/Hold", 16, false, {"TB", "IC"}}, {"MD17", "Scan ID", 17, false, {"TB", "IC"}},
      {"MD18", "Hold ID", 18, false, {"TB", "IC"}},  {"MD12", nullptr, 12, false, {}},
      {"MD8", nullptr, 8, true, {}},               {"MD", nullptr, 0, true, {}},
  };
  for (const auto& c : cases) {
    status.ModeText = "before";
    status.TalkgroupId = status.TalkgroupName = status.TalkgroupType = "x";
    EXPECT_EQ(tick({c.reply}), c.written) << c.reply;
    EXPECT_EQ(status.ModeText, c.text ? c.text : "before") << c.reply;
    EXPECT_EQ(status.ModeCode, c.code) << c.reply;
    EXPECT_EQ(status.TalkgroupName.empty(), c.talkgroup_cleared) << c.reply;
    EXPECT_EQ(status.TalkgroupId.empty() && status.TalkgroupType.empty(), c.talkgroup_cleared);
    EXPECT_EQ(compact.ModeLbl.text, status.ModeText) << c.reply;
  }
}

TEST_F(StatusTest, EveryReplyCopiesTheModeTextToTheCompactWindow) {
  tick({"MD17"});
  compact.ModeLbl.text = "stale";
  tick({"no such code"});
  EXPECT_EQ(compact.ModeLbl.text, "Scan ID");
  EXPECT_TRUE(compact.created);
}

TEST_F(StatusTest, DelayAsksForLockoutOnlyInSingleChannelModes) {
  const struct {
    const char* mode;
    bool asks;
  } cases[] = {{"MD00", false}, {"MD01", true}, {"MD03", true}, {"MD18", true}, {"MD17", false}};
  for (const auto& c : cases) {
    tick({c.mode});
    EXPECT_EQ(tick({"DLN"}), c.asks ? Commands{"LO"} : Commands{}) << c.mode;
  }
}

TEST_F(StatusTest, FrequencyFindsTheFirstChannelAndKeepsTheLastMatch) {
  channel(7, "154.5500", "Highway Patrol", "POL");
  channel(20, "154.5500", "Other", "FDP");
  channel(30, " 155.3250 ", "", "AMB");
  tick({"W1020001545500"});
  EXPECT_EQ(status.FrequencyText, "154.5500");
  EXPECT_EQ(status.ChannelNumber, "7");
  EXPECT_EQ(status.ChannelName, "Highway Patrol");
  EXPECT_EQ(compact.NameLbl.text, "Highway Patrol");
  EXPECT_EQ(compact.TypeLbl.text, "POL");

  tick({"W1020004600000"});  // in no channel: the previous channel stays
  EXPECT_EQ(status.FrequencyText, "460.0000");
  EXPECT_EQ(status.ChannelNumber, "7");
  EXPECT_EQ(compact.NameLbl.text, "Highway Patrol");

  tick({"W1020001553250"});  // unnamed: the compact window shows the frequency
  EXPECT_EQ(status.ChannelNumber, "30");
  EXPECT_EQ(status.ChannelName, "");
  EXPECT_EQ(compact.NameLbl.text, "155.3250");
  EXPECT_EQ(status.TuningOffset, kTuningCentreTwips);  // centre tuning off
}

TEST_F(StatusTest, ShortFrequencyReplyAndTheLocaleSeparator) {
  StatusProcessor comma{link, reporter, status, compact, channels, talkgroups, ','};
  channel(1, "000,0000", "Zero", "Z");
  port.incoming = "W\r";
  link.CollectReplies();
  comma.ProcessReplies(link.replies());
  EXPECT_EQ(status.FrequencyText, "000,0000");
  EXPECT_EQ(status.ChannelName, "Zero");
}

TEST_F(StatusTest, CentreTuningMovesTheNeedleOnlyWhenOn) {
  const struct {
    const char* reply;
    double x;
  } cases[] = {{"W1020001545500", 1890}, {"W0960001545500", 1770}, {"W", -150}, {"W1.5", -120}};
  status.CenterTuningOn = true;
  for (const auto& c : cases) {
    tick({c.reply});
    EXPECT_DOUBLE_EQ(status.TuningOffset, c.x) << c.reply;
  }
}

TEST_F(StatusTest, LimitsAndBankSelections) {
  EXPECT_EQ(tick({"LL01180000"}), Commands{"LU"});
  EXPECT_EQ(tick({"LU01369750"}), Commands{});
  EXPECT_EQ(status.LowerLimit, "118.0000");
  EXPECT_EQ(status.UpperLimit, "136.9750");
  EXPECT_EQ(tick({"LL"}), Commands{"LU"});
  EXPECT_EQ(status.LowerLimit, "000.0000");

  tick({"SB ACJ", "IS JB"});
  const std::array<std::string, 11> scan{"", "A", "", "C", "", "", "", "", "", "", "J"};
  const std::array<std::string, 11> ids{"", "", "B", "", "", "", "", "", "", "", "J"};
  EXPECT_EQ(status.ScanBanks, scan);
  EXPECT_EQ(status.IdScanBanks, ids);
  tick({"SB ac", "IS"});
  EXPECT_EQ(status.ScanBanks, decltype(scan){});
  EXPECT_EQ(status.IdScanBanks, decltype(ids){});
}

TEST_F(StatusTest, FollowUpsAreWrittenInSlotOrderAndTheLaterSlotWins) {
  const Commands written = tick({"+", "MD00", "MD17", "DLN", "LL00000000", "DSN", "DSF"});
  EXPECT_EQ(written, (Commands{"WI", "TB", "IC", "LU"}));
  EXPECT_EQ(port.written, "WI\rTB\rIC\rLU\r");
  EXPECT_EQ(status.ModeText, "Scan ID");
  EXPECT_FALSE(status.DataSkipOn);
  for (const auto& slot : link.replies()) EXPECT_TRUE(slot.empty());
}

TEST_F(StatusTest, SquelchAndTalkgroupReportsDriveThePopUp) {
  const struct {
    const char* mode;
    std::int16_t state;
    const char* start;
    const char* end;
    bool shown;
  } cases[] = {
      {"MD00", kPopUpMode, "+", "-", true},           {"MD17", kPopUpMode, "ID S 04-023", "ID E 04-023", true},
      {"MD00", kPopUpMode, "ID S 04-023", "ID E 04-023", false}, {"MD17", kPopUpMode, "+", "-", false},
      {"MD09", kPopUpMode, "+", "-", false},          {"MD09", kPopUpMode, "ID S 04-023", "ID E 04-023", false},
      {"MD00", kSmartViewMode, "+", "-", false},      {"MD17", kNoCompactMode, "ID S 04-023", "ID E 04-023", false},
  };
  for (const auto& c : cases) {
    compact = CompactView{};
    compact.SmartViewState = c.state;
    tick({c.mode});
    tick({c.start});
    EXPECT_EQ(compact.visible, c.shown) << c.mode << ' ' << c.start << ' ' << c.state;
    compact.visible = true;
    tick({c.end});
    EXPECT_EQ(compact.visible, !c.shown) << c.mode << ' ' << c.end << ' ' << c.state;
  }
}

TEST_F(StatusTest, SquelchShowsAndHidesTheSignalLabels) {
  EXPECT_EQ(tick({"+"}), Commands{"WI"});
  EXPECT_TRUE(status.SquelchOpen);
  EXPECT_TRUE(compact.NameLbl.visible && compact.TypeLbl.visible);
  compact.IDNameLbl.visible = compact.IDTypeLbl.visible = true;
  EXPECT_EQ(tick({"-"}), Commands{});
  EXPECT_FALSE(status.SquelchOpen);
  EXPECT_FALSE(compact.NameLbl.visible || compact.TypeLbl.visible || compact.IDNameLbl.visible ||
               compact.IDTypeLbl.visible);
}

TEST_F(StatusTest, TalkgroupSearchTakesTheLastEqualEntryOfTheTrunkBank) {
  talkgroup(4, 3, "04-023", "Fire Dispatch", "FDP");
  talkgroup(4, 40, "04-023", "Fire Dispatch 2", "FD2");
  talkgroup(4, 41, "405-12", "", "POL");
  talkgroup(5, 50, "04-023", "Wrong Bank", "XXX");
  tick({"TB D METRO 800 ", "MD17"});
  EXPECT_EQ(status.TrunkBank, "4");
  EXPECT_EQ(status.SystemName, "METRO 800 ");

  tick({"ID S 04-023"});
  EXPECT_EQ(status.TalkgroupName, "Fire Dispatch 2");
  EXPECT_EQ(status.TalkgroupType, "FD2");
  EXPECT_TRUE(status.TalkgroupActive);
  EXPECT_EQ(compact.IDNameLbl, (CompactLabel{"Fire Dispatch 2", true}));

  tick({"ID E 04-023"});
  EXPECT_FALSE(status.TalkgroupActive);
  EXPECT_FALSE(compact.IDNameLbl.visible || compact.IDTypeLbl.visible);
  EXPECT_EQ(status.TalkgroupName, "Fire Dispatch 2");

  tick({"ID S 99-999"});  // not listed: previous name, labels stay hidden
  EXPECT_EQ(status.TalkgroupId, "99-999");
  EXPECT_EQ(status.TalkgroupName, "Fire Dispatch 2");
  EXPECT_FALSE(compact.IDNameLbl.visible);

  tick({"ID S 405-12 trailing"});  // unnamed: the compact window shows the ID
  EXPECT_EQ(status.TalkgroupId, "405-12");
  EXPECT_EQ(compact.IDNameLbl, (CompactLabel{"405-12", true}));
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(StatusTest, IdChannelLooksUpTheGlyphAsEquals) {
  talkgroup(4, 7, "=1-234", "Transit Police", "SEC");
  talkgroup(4, 8, "\xFE" "1-234", "Never", "NO");
  tick({"TB D", "IC C0 \xFE" "1-234"});
  EXPECT_EQ(status.IdChannel, "3-10");
  EXPECT_EQ(status.IdChannelId, "=1-234");
  EXPECT_EQ(status.IdChannelName, "Transit Police");
  EXPECT_EQ(status.IdChannelType, "SEC");
  tick({"IC A5 12-345 "});  // seven characters: no six-character ID equals it
  EXPECT_EQ(status.IdChannel, "1-5");
  EXPECT_EQ(status.IdChannelId, "12-345 ");
  EXPECT_EQ(status.IdChannelName, "Transit Police");
}

TEST_F(StatusTest, ShortTrunkRepliesSkipTheBankStepAndReportOnce) {
  tick({"TB B SYSTEM"});
  tick({"TB", "IC"});
  EXPECT_EQ(status.TrunkBank, "2");  // kept
  EXPECT_EQ(status.SystemName, "");
  EXPECT_EQ(status.IdChannel, "0-");
  EXPECT_EQ(reporter.messages.size(), 1u);
  EXPECT_TRUE(reporter.messages[0].starts_with("Main Processing Error : 5,  please email me  "));
}

TEST_F(StatusTest, BankOutOfRangeIsReportedOnceUntilTheBankIsValidAgain) {
  talkgroup(10, 1, "04-023", "Ten", "T");
  const struct {
    std::vector<std::string> replies;
    std::size_t reports;  // total so far
  } steps[] = {
      {{"TB K SYSTEM"}, 0},        // not a failure until the bank is used
      {{"ID S 04-023", "IC A1 04-023"}, 1},
      {{"ID S 04-023"}, 1},        {{}, 1},
      {{"ID S 04-023"}, 1},        {{"TB J", "ID S 04-023"}, 1},
      {{"TB \x01", "ID S 04-023"}, 2},  // below "A": still outside
      {{"ID E 04-023", "ID S 04-023"}, 2},
  };
  for (const auto& s : steps) {
    tick(s.replies);
    EXPECT_EQ(reporter.messages.size(), s.reports);
  }
  EXPECT_EQ(reporter.messages[0], reporter.messages[1]);
  EXPECT_TRUE(reporter.messages[0].starts_with("Main Processing Error : 9,"));
  EXPECT_EQ(status.TrunkBank, "-63");
  EXPECT_EQ(status.TalkgroupName, "Ten");  // found while bank J was valid
}

TEST_F(StatusTest, FailedFollowUpsAreReportedOnceAndNotAgainByTheTick) {
  port.fail_writes = true;
  for (int i = 0; i < 5; ++i) tick({"+", "MD17"});
  EXPECT_EQ(reporter.messages.size(), 1u);
  EXPECT_TRUE(reporter.messages[0].starts_with("Main Processing Error : 8020,"));
  EXPECT_FALSE(link.takePending());
  EXPECT_TRUE(status.SquelchOpen);  // the decoder ran on past the failed write
  port.fail_writes = false;
  tick({"+"});
  port.fail_writes = true;
  tick({"+"});
  EXPECT_EQ(reporter.messages.size(), 2u);
}

TEST_F(StatusTest, ChangeCountFollowsRealChangesOnly) {
  tick({});
  EXPECT_EQ(processor.changeCount(), 0u);
  tick({"DSN"});
  EXPECT_EQ(processor.changeCount(), 1u);
  tick({"DSN"});
  EXPECT_EQ(processor.changeCount(), 1u);
  tick({"MD00"});
  EXPECT_EQ(processor.changeCount(), 2u);
}

TEST_F(StatusTest, EmptyTickWritesAndReportsNothing) {
  EXPECT_TRUE(tick({}).empty());
  EXPECT_TRUE(tick({"", ""}).empty());
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_FALSE(compact.created);
}

TEST_F(StatusTest, SweepWritesThirteenQueriesAndStopsAtTheFirstFailure) {
  const Commands sweep{"QUN", "IDN", "SQ", "SB", "IS", "TB", "LT", "PR", "DS", "AT", "LL", "LU", "MU"};
  EXPECT_FALSE(ResetAllStatus(link));
  EXPECT_FALSE(ResetAllStatus(link));
  Commands twice = sweep;
  twice.insert(twice.end(), sweep.begin(), sweep.end());
  EXPECT_EQ(port.commands(), twice);

  struct FailingAfter : FakePort {
    int left = 3;
    bool write(std::string_view bytes, Failure& failure) override {
      fail_writes = left-- <= 0;
      return FakePort::write(bytes, failure);
    }
  } failing;
  failing.is_open = true;
  PagCom pag2{failing};
  Link link2{pag2, reporter};
  EXPECT_EQ(ResetAllStatus(link2).code, errc::kWriteFailed);
  EXPECT_EQ(failing.commands(), (Commands{"QUN", "IDN", "SQ"}));
  EXPECT_TRUE(link2.takePending());
}

}  // namespace
