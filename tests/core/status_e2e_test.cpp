// The program's link (PagCom, Link, PollCycle, StatusProcessor) against the
// simulated scanner: the status has to follow what the scanner is doing.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/core/text.h"
#include "link/core/poll_cycle.h"
#include "link/core/protocol.h"
#include "sim/core/demo_plan.h"
#include "sim/core/sim_fixture.h"
#include "status/core/process_replies.h"
#include "status/core/status_sweep.h"

using namespace scandeck;
using namespace std::chrono_literals;

namespace {

sim::SimulatorOptions Busy() {
  sim::SimulatorOptions options = sim::QuietOptions(7);
  options.activity_per_minute = 40;
  options.line = *SerialSettings::Parse("9600,n,8,1");  // the default speed must keep up
  return options;
}

std::string DirectoryId(std::string_view id) {
  std::string out(id);
  std::replace(out.begin(), out.end(), '\xFE', '=');
  return out;
}

class StatusEndToEnd : public ::testing::Test {
 protected:
  StatusEndToEnd() {
    for (const auto& c : sim::kDemoChannels) {
      channels[c.channel].frequency = FormatFrequencyMhz(c.units * 0.0001, '.');
      channels[c.channel].name = c.name;
      channels[c.channel].type = c.type;
    }
    for (const auto& t : sim::kDemoTalkgroups)
      *talkgroups.find(sim::kDemoTrunkBank, (t.id_bank - 1) * 10 + t.position) =
          IdEntry{"", DirectoryId(t.id), std::string(t.type), std::string(t.name), "", ""};
    auto& s = rig.simulator.state();
    s.priority = s.attenuator = s.light = true;
    s.audio = sim::Audio::Mute;
    EXPECT_TRUE(rig.open("9600,n,8,1"));
    poll.setEnabled(true);
    EXPECT_FALSE(ResetAllStatus(rig.link));
  }

  // Runs the poll; `check` sees each tick once a transmission has been on (or
  // off) long enough for its reports and the replies to the queries to arrive.
  void run(std::chrono::milliseconds total, const std::function<void(bool on_air)>& check = {}) {
    rig.run(total, 50ms, [&] {
      poll.MainTimer_Timer();
      const bool open = rig.simulator.state().squelch_open;
      if (open != was_open_) since_ = rig.clock.now(), was_open_ = open;
      if (check && rig.clock.now() - since_ >= 400ms) check(open);
    });
  }

  sim::SimRig rig{Busy()};
  ScannerStatus status;
  CompactView compact;
  FreqDirectory channels;
  IdDirectory talkgroups;
  StatusProcessor processor{rig.link, rig.reporter, status, compact, channels, talkgroups, '.'};
  PollCycle poll{rig.link, processor};
  bool was_open_ = false;
  std::chrono::milliseconds since_{0};
};

TEST_F(StatusEndToEnd, ConventionalScanFollowsTheHeardChannel) {
  int heard = 0;
  run(20s, [&](bool on_air) {
    const auto& s = rig.simulator.state();
    EXPECT_EQ(status.SquelchOpen, on_air);
    if (!on_air) return;
    ++heard;
    const long units = s.channels[s.channel].units;
    // The first channel with that frequency names it.
    const auto first = std::find_if(sim::kDemoChannels.begin(), sim::kDemoChannels.end(),
                                    [&](const auto& c) { return c.units == units; });
    ASSERT_NE(first, sim::kDemoChannels.end());
    EXPECT_EQ(status.FrequencyText, FormatFrequencyMhz(units * 0.0001, '.'));
    EXPECT_EQ(status.ChannelNumber, std::to_string(first->channel));
    EXPECT_EQ(status.ChannelName, first->name);
    EXPECT_EQ(compact.NameLbl.text, first->name.empty() ? status.FrequencyText : std::string(first->name));
  });
  EXPECT_GT(heard, 20);
  EXPECT_EQ(status.ModeText, "Scan Mode");
  EXPECT_EQ(status.ModeCode, 0);
  const std::array<std::string, 11> abc{"", "A", "B", "C"};
  EXPECT_EQ(status.ScanBanks, abc);
  EXPECT_EQ(status.IdScanBanks, abc);
  EXPECT_TRUE(status.PriorityOn && status.AttenuatorOn && status.LightState);
  EXPECT_FALSE(status.DataSkipOn);
  EXPECT_EQ(status.AudioState, Audio::Mute);
  EXPECT_EQ(status.LowerLimit, "118.0000");
  EXPECT_EQ(status.UpperLimit, "137.0000");
  EXPECT_TRUE(rig.reporter.messages.empty());
}

TEST_F(StatusEndToEnd, TrunkModeNamesTalkgroupsAndPopsUp) {
  run(1s);
  compact.SmartViewState = kPopUpMode;
  rig.link.SendCommand(protocol::cmd::kKeyTrunk);
  run(2s);
  EXPECT_EQ(status.ModeText, "Scan ID");
  EXPECT_EQ(status.ModeCode, 17);
  EXPECT_EQ(status.TrunkBank, std::to_string(sim::kDemoTrunkBank));
  EXPECT_EQ(status.SystemName, sim::kDemoSystemText);

  int named = 0;
  run(30s, [&](bool on_air) {
    const auto& s = rig.simulator.state();
    EXPECT_EQ(status.TalkgroupActive, on_air);
    EXPECT_EQ(compact.visible, on_air);
    EXPECT_EQ(status.IdChannel, std::to_string(s.id_bank) + "-" + std::to_string(s.id_position));
    if (!on_air) return;
    EXPECT_EQ(status.TalkgroupId, s.talkgroup);
    for (const auto& t : sim::kDemoTalkgroups) {
      // Talkgroup reports are looked up as sent; only the ID channel turns the glyph into "=".
      if (t.id != s.talkgroup || t.id.find('\xFE') != std::string_view::npos) continue;
      ++named;
      EXPECT_EQ(status.TalkgroupName, t.name);
      EXPECT_EQ(compact.IDNameLbl.text, t.name.empty() ? t.id : t.name);
      EXPECT_EQ(status.IdChannelName, t.name);
    }
  });
  EXPECT_GT(named, 20);
  EXPECT_TRUE(rig.reporter.messages.empty());
}

}  // namespace
