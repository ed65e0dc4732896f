#include <gtest/gtest.h>

#include "ui/core/control_panel.h"

using namespace scandeck;

TEST(ControlPanel, TogglesSendTheOppositeOfWhatIsDisplayed) {
  ScannerStatus off;
  ScannerStatus on;
  on.DataSkipOn = on.AttenuatorOn = on.PriorityOn = on.DelayOn = on.LockoutOn = true;
  on.LightState = true;
  const struct {
    int label;
    Commands when_off, when_on;
  } labels[] = {
      {0, {"DSN", "DS"}, {"DSF", "DS"}}, {1, {"ATN", "AT"}, {"ATF", "AT"}}, {2, {"PRN", "PR"}, {"PRF", "PR"}},
      {3, {"KEY12"}, {"KEY12"}},         {4, {"KEY06"}, {"KEY06"}},
  };
  for (const auto& l : labels) {
    EXPECT_EQ(StatusLabelCommands(l.label, off), l.when_off) << l.label;
    EXPECT_EQ(StatusLabelCommands(l.label, on), l.when_on) << l.label;
  }
  EXPECT_EQ(LightPermanentCommands(off), (Commands{"LTN", "LT"}));
  EXPECT_EQ(LightPermanentCommands(on), (Commands{"LTF", "LT"}));
  EXPECT_EQ(LightCommands(LightControl::Off), (Commands{"LTN", "LT"}));
  EXPECT_EQ(LightCommands(LightControl::On), (Commands{"LTF", "LT"}));
  EXPECT_EQ(LightCommands(LightControl::Auto), (Commands{"ALF", "LTN", "LT"}));

  ScannerStatus mute, monitor;
  mute.AudioState = Audio::Mute;
  monitor.AudioState = Audio::Monitor;
  EXPECT_EQ(MuteCommands(off), (Commands{"MUN", "MU"}));
  EXPECT_EQ(MuteCommands(mute), (Commands{"MUA", "MU"}));
  EXPECT_EQ(MuteCommands(monitor), (Commands{"MUN", "MU"}));
  EXPECT_EQ(MonitorCommands(monitor), (Commands{"MUA", "MU"}));
  EXPECT_EQ(MonitorCommands(mute), (Commands{"MUF", "MU"}));
}

TEST(ControlPanel, BankToggleRebuildsTheSelectionInBankOrder) {
  std::array<std::string, 11> banks{};
  EXPECT_EQ(ToggleBank(banks, 3, "SB "), "SB C");
  EXPECT_EQ(ToggleBank(banks, 1, "SB "), "SB AC");
  EXPECT_EQ(ToggleBank(banks, 10, "SB "), "SB ACJ");
  EXPECT_EQ(ToggleBank(banks, 3, "SB "), "SB AJ");
  EXPECT_EQ(banks[0], "AJ") << "entry 0 is the working storage";
  EXPECT_EQ(ToggleBank(banks, 0, "IS "), "IS AJ") << "b = 0 resends the list unchanged";
  EXPECT_EQ(ToggleBank(banks, 11, "SB "), "SB AJ");
  EXPECT_EQ(ToggleBank(banks, 1, "SB "), "SB J");
  EXPECT_EQ(ToggleBank(banks, 10, "SB "), "SB ") << "none selected keeps the trailing blank";
}

TEST(ControlPanel, DirectAccessBoxes) {
  EXPECT_EQ(ChannelEnter("45\r\n"), "MA045");
  EXPECT_EQ(ChannelEnter("7\n"), "MA007");
  EXPECT_EQ(ChannelEnter("123\r"), "MA123");
  EXPECT_EQ(ChannelEnter("45"), std::nullopt) << "digits without Enter send nothing";
  EXPECT_EQ(ChannelEnter("\n"), "MA000");

  const struct {
    const char* bank;
    const char* channel;
    std::optional<std::string> sent;
  } ids[] = {
      {"2", "5", "IC B5"}, {"10", "10", "IC J0"}, {"1", "1", "IC A1"}, {" 3 ", "9", "IC C9"},
      {"-51", "1", std::nullopt},  // would put a carriage return into the command
      {"0", "1", std::nullopt},    {"11", "1", std::nullopt}, {"1", "0", std::nullopt},
      {"1", "11", std::nullopt},   {"", "1", std::nullopt},   {"1", "", std::nullopt},
      {"1x", "1", std::nullopt},   {"200", "1", std::nullopt}, {"1", "\x01", std::nullopt},
  };
  for (const auto& c : ids) EXPECT_EQ(IdChannelCommand(c.bank, c.channel), c.sent) << c.bank << "/" << c.channel;
}

TEST(ControlPanel, LimitsAndTest) {
  EXPECT_EQ(LimitCommands("118.0000", "136.9750"), (Commands{"LL01180000", "LU01369750"}));
  EXPECT_EQ(LimitCommands("118", "136.975"), (Commands{"LL01180000", "LU01369750"}));
  EXPECT_TRUE(LimitCommands("118.0000", "").empty());
  EXPECT_TRUE(LimitCommands("", "136.9750").empty());
  EXPECT_EQ(LimitCommands("abc", "25"), (Commands{"LL00000000", "LU00250000"}));
  EXPECT_EQ(TestCommands(), (Commands{"PM001", "PM002", "PM003", "PM004", "PM005", "PM006", "PM007", "PM008",
                                      "PM009"}));
}
