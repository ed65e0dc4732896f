// Replies go in through the fake port and the receive path, exactly as a poll tick
// collects them; the checks read ScannerStatus, the compact window and the port.
#include <gtest/gtest.h>

#include <tuple>

#include "link/core/poll_cycle.h"
#include "status/core/process_replies.h"
#include "status/core/status_sweep.h"
#include "support/fake_port.h"
#include "support/status_rig.h"

using namespace scandeck;
using scandeck::testing::FakePort;
using scandeck::testing::ListReporter;
using Sent = std::vector<std::string>;

namespace {

class StatusTest : public ::testing::Test, protected scandeck::testing::StatusRig {
 protected:
  Sent tick(const std::vector<std::string>& replies) { return feed(replies); }
  void talkgroup(int bank, int entry, const char* id, const char* name, const char* type) {
    *talkgroups.find(bank, entry) = IdEntry{"", id, type, name, "", ""};
  }
};

TEST_F(StatusTest, FlagsAndAudioReadTheThirdCharacter) {
  using S = ScannerStatus;
  const struct {
    const char* reply;
    bool S::*flag;
    bool on;
  } flags[] = {{"DSN", &S::DataSkipOn, true}, {"DSF", &S::DataSkipOn, false}, {"ATN", &S::AttenuatorOn, true},
               {"AT", &S::AttenuatorOn, false}, {"PRN", &S::PriorityOn, true}, {"PRn", &S::PriorityOn, false},
               {"DLN", &S::DelayOn, true},      {"DL", &S::DelayOn, false},     {"LON", &S::LockoutOn, true},
               {"LOX", &S::LockoutOn, false},   {"LTN", &S::LightState, true},  {"LTF", &S::LightState, false}};
  for (const auto& c : flags) {
    status.*c.flag = !c.on;
    EXPECT_TRUE(tick({c.reply}).empty()) << c.reply;
    EXPECT_EQ(status.*c.flag, c.on) << c.reply;
  }
  const struct {
    const char* reply;
    Audio state;
  } audio[] = {{"MUN", Audio::Mute}, {"MUF", Audio::Monitor}, {"MUA", Audio::Neither},
               {"MUN", Audio::Mute}, {"MU", Audio::Neither},  {"MUf", Audio::Neither}};
  for (const auto& c : audio) {
    tick({c.reply});
    EXPECT_EQ(status.AudioState, c.state) << c.reply;
  }
}

TEST_F(StatusTest, ModeDigitsSetTextCodeTalkgroupAndFollowUps) {
  const Sent trunk{"TB", "IC"};
  const struct {
    const char* reply;
    const char* text;  // nullptr: unchanged
    int code;
    bool clears_talkgroup;
    Sent written;
  } cases[] = {
      {"MD00", "Scan Mode", 0, true, {}},    {"MD01", "Manual Mode", 1, true, {}},
      {"MD02", "Limit Search", 2, true, {}}, {"MD03", "Hold Search", 3, true, {}},
      {"MD04", "Svc Search", 4, true, {}},   {"MD05", "Svc Search", 5, true, {}},
      {"MD09", "ID Search", 9, false, trunk}, {"MD15", "ID Search", 15, false, trunk},
      {"MD16", "ID Src/Hold", 16, false, trunk}, {"MD17", "Scan ID", 17, false, trunk},
      {"MD18", "Hold ID", 18, false, trunk}, {"MD12", nullptr, 12, false, {}},
      {"MD8", nullptr, 8, true, {}},         {"MD", nullptr, 0, true, {}},
  };
  for (const auto& c : cases) {
    status.ModeText = "before";
    status.TalkgroupId = status.TalkgroupName = status.TalkgroupType = "x";
    tick({"TB D", "IC A1 "});  // answers the previous case's follow-ups
    status.ModeText = "before";
    EXPECT_EQ(tick({c.reply}), c.written) << c.reply;
    EXPECT_EQ(status.ModeText, c.text ? c.text : "before") << c.reply;
    EXPECT_EQ(status.ModeCode, c.code) << c.reply;
    EXPECT_EQ(status.TalkgroupId + status.TalkgroupName + status.TalkgroupType,
              c.clears_talkgroup ? "" : "xxx") << c.reply;
    EXPECT_EQ(compact.ModeLbl.text, status.ModeText) << c.reply;
  }
  for (const char* mode : {"MD00", "MD01", "MD03", "MD18", "MD17"}) {
    tick({"LOF", mode});
    const bool single = status.ModeText == "Manual Mode" || status.ModeText == "Hold ID" ||
                        status.ModeText == "Hold Search";
    EXPECT_EQ(tick({"DLN"}), single ? Sent{"LO"} : Sent{}) << mode;
  }
}

TEST_F(StatusTest, FrequencyFindsTheFirstChannelAndMovesTheNeedle) {
  for (auto [n, frequency, name, type] : {std::tuple{7, "154.5500", "Highway Patrol", "POL"},
                                          {20, "154.5500", "Other", "FDP"}, {30, " 155.3250 ", "", "AMB"}})
    channels[n].frequency = frequency, channels[n].name = name, channels[n].type = type;
  const struct {
    const char* reply;
    const char* frequency;
    const char* number;
    const char* compact_name;
  } cases[] = {
      {"W110 F01545500", "154.5500", "7", "Highway Patrol"},
      {"W110 F04600000", "460.0000", "7", "Highway Patrol"},  // in no channel
      {"W110 F01553250", "155.3250", "30", "155.3250"},       // unnamed
      {"W", "000.0000", "1", "000.0000"},                     // every unused channel reads 000.0000
  };
  for (const auto& c : cases) {
    tick({c.reply});
    EXPECT_EQ(status.FrequencyText, c.frequency);
    EXPECT_EQ(status.ChannelNumber, c.number);
    EXPECT_EQ(status.ChannelName, channels[std::stoi(c.number)].name);
    EXPECT_EQ(status.ChannelType, channels[std::stoi(c.number)].type);
    EXPECT_EQ(compact.NameLbl.text, c.compact_name);
  }
  EXPECT_EQ(status.TuningOffset, kTuningCentreTwips);  // centre tuning off

  StatusProcessor comma{link, reporter, status, compact, channels, talkgroups, ','};
  port.incoming = "W\r";
  link.CollectReplies();
  comma.ProcessReplies(link.replies());
  EXPECT_EQ(status.FrequencyText, "000,0000");
  EXPECT_EQ(status.ChannelNumber, "1");  // "000.0000" is no longer equal

  status.CenterTuningOn = true;
  for (auto [reply, x] : {std::pair{"W102 F01545500", 1890.0}, {"W096", 1770.0}, {"W", -150.0}, {"W1.5", -120.0}}) {
    tick({reply});
    EXPECT_DOUBLE_EQ(status.TuningOffset, x) << reply;
  }
}

TEST_F(StatusTest, LimitsAndBankSelections) {
  EXPECT_EQ(tick({"LL01180000"}), Sent{"LU"});
  EXPECT_EQ(tick({"LU01369750"}), Sent{});
  EXPECT_EQ(status.LowerLimit + status.UpperLimit, "118.0000136.9750");
  EXPECT_EQ(tick({"LL"}), Sent{"LU"});
  EXPECT_EQ(status.LowerLimit, "000.0000");

  tick({"SB ACJ", "IS JB"});
  EXPECT_EQ(status.ScanBanks, (std::array<std::string, 11>{"", "A", "", "C", "", "", "", "", "", "", "J"}));
  EXPECT_EQ(status.IdScanBanks, (std::array<std::string, 11>{"", "", "B", "", "", "", "", "", "", "", "J"}));
  EXPECT_EQ(status.BankLit, (std::array<bool, 11>{false, true, false, true, false, false, false, false, false, false, true}));
  EXPECT_EQ(status.IdBankLit, (std::array<bool, 11>{false, false, true, false, false, false, false, false, false, false, true}));
  tick({"SB ac", "IS"});
  EXPECT_EQ(status.ScanBanks, (std::array<std::string, 11>{}));
  EXPECT_EQ(status.IdScanBanks, (std::array<std::string, 11>{}));
  EXPECT_EQ(status.BankLit, (std::array<bool, 11>{}));
}

TEST_F(StatusTest, FollowUpsGoOutInSlotOrderAndTheLaterSlotWins) {
  EXPECT_EQ(tick({"+", "MD00", "MD17", "DLN", "LL00000000", "DSN", "DSF"}), (Sent{"WI", "TB", "IC", "LU"}));
  EXPECT_EQ(status.ModeText, "Scan ID");
  EXPECT_FALSE(status.DataSkipOn);
  for (const auto& slot : link.replies()) EXPECT_TRUE(slot.empty());
  compact.ModeLbl.text = "stale";
  tick({"no such code"});
  EXPECT_EQ(compact.ModeLbl.text, "Scan ID");
}

TEST_F(StatusTest, SquelchAndTalkgroupReportsDriveThePopUpAndTheLabels) {
  const struct {
    const char* mode;
    SmartViewMode state;
    bool squelch;  // else talkgroup reports
    bool pops;
  } cases[] = {
      {"MD00", kPopUpMode, true, true},      {"MD17", kPopUpMode, false, true},
      {"MD00", kPopUpMode, false, false},    {"MD17", kPopUpMode, true, false},
      {"MD09", kPopUpMode, true, false},     {"MD09", kPopUpMode, false, false},
      {"MD00", kSmartViewMode, true, false}, {"MD17", kNoCompactMode, false, false},
  };
  for (const auto& c : cases) {
    compact = CompactView{};
    compact.SmartViewState = c.state;
    tick({c.mode});
    tick({c.squelch ? "+" : "ID S 04-023"});
    EXPECT_EQ(compact.visible, c.pops) << c.mode << c.squelch << c.state;
    EXPECT_EQ(compact.NameLbl.visible && compact.TypeLbl.visible, c.squelch);
    EXPECT_EQ(c.squelch ? status.SquelchOpen : status.TalkgroupActive, true);
    compact.visible = compact.IDNameLbl.visible = compact.IDTypeLbl.visible = true;
    tick({c.squelch ? "-" : "ID E 04-023"});
    EXPECT_EQ(compact.visible, !c.pops) << c.mode << c.squelch << c.state;
    EXPECT_FALSE(compact.IDNameLbl.visible || compact.IDTypeLbl.visible);
    EXPECT_FALSE(status.SquelchOpen || status.TalkgroupActive);
  }
}

TEST_F(StatusTest, TalkgroupSearchTakesTheLastEqualEntryOfTheTrunkBank) {
  talkgroup(4, 3, "04-023", "Fire Dispatch", "FDP");
  talkgroup(4, 40, "04-023", "Fire Dispatch 2", "FD2");
  talkgroup(4, 41, "405-12", "", "POL");
  talkgroup(5, 50, "04-023", "Wrong Bank", "XXX");
  tick({"TB D METRO 800 ", "MD17", "ID S 04-023"});
  EXPECT_EQ(status.TrunkBank + status.SystemName, "4METRO 800 ");
  EXPECT_EQ(status.TalkgroupName + status.TalkgroupType, "Fire Dispatch 2FD2");
  EXPECT_EQ(compact.IDNameLbl, (CompactLabel{"Fire Dispatch 2", true}));
  EXPECT_EQ(compact.IDTypeLbl, (CompactLabel{"FD2", true}));

  tick({"ID E 04-023", "ID S 99-999"});  // not listed: previous name, labels stay hidden
  EXPECT_EQ(status.TalkgroupId + status.TalkgroupName, "99-999Fire Dispatch 2");
  EXPECT_FALSE(compact.IDNameLbl.visible);

  tick({"ID S 405-12 trailing"});  // unnamed: the compact window shows the ID
  EXPECT_EQ(compact.IDNameLbl, (CompactLabel{"405-12", true}));
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(StatusTest, IdChannelLooksUpTheGlyphAsEquals) {
  talkgroup(4, 7, "=1-234", "Transit Police", "SEC");
  talkgroup(4, 8, "\xFE" "1-234", "Never", "NO");
  tick({"TB D", "IC C0 \xFE" "1-234"});
  EXPECT_EQ(status.IdChannel + " " + status.IdChannelId, "3-10 =1-234");
  EXPECT_EQ(status.IdChannelName + status.IdChannelType, "Transit PoliceSEC");
  tick({"IC A5 12-345 "});  // seven characters: no six-character ID equals them
  EXPECT_EQ(status.IdChannel + " " + status.IdChannelId, "1-5 12-345 ");
  EXPECT_EQ(status.IdChannelName, "Transit Police");
}

TEST_F(StatusTest, TrunkFailuresAreReportedOnceUntilTheStepSucceedsAgain) {
  talkgroup(10, 1, "04-023", "Ten", "T");
  const struct {
    std::vector<std::string> replies;
    std::size_t reports;  // so far
    int code;             // of the last one
  } steps[] = {
      {{"TB K SYSTEM"}, 0, 0},  // not a failure until the bank is used
      {{"ID S 04-023", "IC A1 04-023"}, 1, 9}, {{"ID S 04-023"}, 1, 9}, {{}, 1, 9}, {{"ID S 04-023"}, 1, 9},
      {{"TB J", "ID S 04-023"}, 1, 9},         {{"TB \x01", "ID S 04-023"}, 2, 9},  // below "A"
      {{"ID E 04-023", "ID S 04-023"}, 2, 9},
      {{"TB", "IC"}, 3, 5},  // no bank letter: that step is skipped, the rest runs
      {{"TB", "IC"}, 3, 5},
  };
  for (const auto& s : steps) {
    tick(s.replies);
    ASSERT_EQ(reporter.messages.size(), s.reports);
    if (s.reports) {
      EXPECT_TRUE(reporter.messages.back().starts_with("Main Processing Error : " + std::to_string(s.code) +
                                                       ",  please email me  "));
    }
  }
  EXPECT_EQ(status.TrunkBank + status.SystemName + "/" + status.IdChannel, "-63/0-");
  EXPECT_EQ(status.TalkgroupName, "Ten");  // found while bank J was valid
}

TEST_F(StatusTest, FailedFollowUpsAreReportedOnceAndNotAgainByTheTick) {
  port.fail_writes = true;
  for (int i = 0; i < 5; ++i) tick({"+", "MD17"});
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_TRUE(reporter.messages[0].starts_with("Main Processing Error : 8020,"));
  EXPECT_FALSE(link.takePending());
  EXPECT_TRUE(status.SquelchOpen);  // the decoder ran on past the failed write
  port.fail_writes = false;
  tick({"+"});
  port.fail_writes = true;
  tick({"MD17"});  // "WI" is now unanswered and not written again; "TB" fails
  EXPECT_EQ(reporter.messages.size(), 2u);
}

TEST_F(StatusTest, AFollowUpWaitsForItsAnswerOrItsRetryBound) {
  tick({"MD03"});  // "Hold Search": a "DL" reply asks for the lockout
  const struct {
    std::vector<std::string> trigger, answer;
    Sent asked;
  } cases[] = {
      {{"DLN"}, {"LON"}, {"LO"}},
      {{"+"}, {"W110 F01545500"}, {"WI"}},
      {{"LL01180000"}, {"LU01370000"}, {"LU"}},
      {{"MD17"}, {"TB D", "IC A1 "}, {"TB", "IC"}},
  };
  for (const auto& c : cases) {
    const std::string what = c.trigger[0];
    EXPECT_EQ(tick(c.trigger), c.asked) << what;
    for (int run = 1; run < kFollowUpRetryRuns; ++run) EXPECT_EQ(tick(c.trigger), Sent{}) << what << run;
    EXPECT_EQ(tick(c.trigger), c.asked) << what << ": unanswered past the bound";
    auto answered_first = c.answer;
    answered_first.insert(answered_first.end(), c.trigger.begin(), c.trigger.end());
    EXPECT_EQ(tick(answered_first), c.asked) << what << ": answered, so asked again at once";
  }
  EXPECT_EQ(tick({"TB D", "MD17"}), Sent{"TB"}) << "each query waits for its own code";
}

TEST_F(StatusTest, ChangeCountAndEmptyTicks) {
  EXPECT_TRUE(tick({}).empty());
  EXPECT_TRUE(tick({"", ""}).empty());
  EXPECT_FALSE(compact.created);
  EXPECT_EQ(processor.changeCount(), 0u);
  for (auto [reply, count] : {std::pair{"DSN", 1u}, {"DSN", 1u}, {"MD00", 2u}}) {
    tick({reply});
    EXPECT_EQ(processor.changeCount(), count) << reply;
  }
  EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(StatusTest, SweepStopsAtTheFirstFailure) {
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
  EXPECT_EQ(failing.commands(), (Sent{"QUN", "IDN", "SQ"}));
  EXPECT_TRUE(link2.takePending());
}

}  // namespace
