// The simulated scanner behind its serial line: speed, faults, what it hears on
// the air, repeatability, and the program's link on top of it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "sim/core/sim_fixture.h"
#include "support/fake_port.h"

using namespace scandeck;
using namespace scandeck::sim;
using std::chrono::milliseconds;

namespace {

SerialSettings AtSpeed(int baud) {
  SerialSettings s;
  s.baud = baud;
  return s;
}

std::vector<std::string> Lines(const std::string& bytes) { return scandeck::testing::CarriageReturnLines(bytes); }

// A session as the program drives it: the sweep's switches, then trunk, with the
// three poll queries every 50 ms; returns every byte that came back, and in
// `starts` the talkgroup starts the scanner sent before the line had its say.
std::string Session(std::uint64_t seed, LinkFaults faults, milliseconds length,
                    std::vector<std::string>* starts = nullptr) {
  ManualClock clock;
  SimulatorOptions options;
  options.seed = seed;
  options.activity_per_minute = 30;
  options.faults = faults;
  Simulator sim(clock, options);
  sim.setObserver([starts](Simulator::Direction d, std::string_view line) {
    if (starts && d == Simulator::Direction::FromScanner && line.starts_with("ID S ")) starts->emplace_back(line);
  });
  sim.attach(AtSpeed(9600));
  sim.receive("QUN\rIDN\r");
  std::string stream;
  for (milliseconds t{0}; t < length; t += milliseconds{50}) {
    if (t == milliseconds{5000}) sim.receive("KEY13\r");
    sim.receive("WI\rMD\rDL\r");
    clock.advance(milliseconds{50});
    stream += sim.take();
  }
  return stream;
}

}  // namespace

TEST(SimLine, DeliversNoFasterThanTheConfiguredSpeed) {
  for (int baud : {2400, 9600, 19200}) {
    SCOPED_TRACE(baud);
    ManualClock clock;
    SimulatorOptions options = QuietOptions();
    options.line.baud = baud;
    Simulator sim(clock, options);
    sim.attach(AtSpeed(baud));
    std::string burst;
    for (int i = 0; i < 15; ++i) burst += "PM001\r";  // 1.5 s of replies at 2400: within the buffer
    sim.receive(burst);

    const double char_ms = 10000.0 / baud;  // ten bits a character
    const std::size_t expected = 15 * (23 + 1);
    std::string got;
    int ms = 0;
    while (got.size() < expected && ms < 20000) {
      clock.advance(milliseconds{1});
      ++ms;
      got += sim.take();
      ASSERT_LE(static_cast<double>(got.size()), ms / char_ms) << "ahead of the line at " << ms << " ms";
    }
    ASSERT_EQ(got.size(), expected);
    // Not slower either: the first command's way in, the reaction, then the replies back to back.
    EXPECT_LE(ms, expected * char_ms + 6 * char_ms + 2 + 2);
    for (const auto& line : Lines(got)) EXPECT_EQ(Mid(line, 1, 4), "C001");
  }
}

TEST(SimLine, ASlowLineRunsFlatOutButOwesNoMoreThanItsBuffer) {
  ManualClock clock;
  SimulatorOptions options = QuietOptions();
  options.line.baud = 2400;  // 240 characters a second; the poll asks for 480
  Simulator sim(clock, options);
  sim.attach(AtSpeed(2400));
  std::size_t got = 0;
  for (int tick = 0; tick < 1200; ++tick) {
    sim.receive("WI\rMD\rDL\r");
    clock.advance(milliseconds{50});
    got += sim.take().size();
  }
  EXPECT_GT(got, 60u * 240 * 9 / 10);
  clock.advance(milliseconds{10000});
  EXPECT_LE(sim.take().size(), 2u * 240 + 24);
}

TEST(SimLine, WithoutPacingRepliesAreThereAtOnce) {
  ManualClock clock;
  SimulatorOptions options = QuietOptions();
  options.pacing = false;
  Simulator sim(clock, options);
  sim.attach(AtSpeed(9600));
  sim.receive("MD\rDL\rSB\r");
  EXPECT_EQ(Lines(sim.take()), (std::vector<std::string>{"MD00", "DLN", "SBABC"}));
}

TEST(SimLine, SameSeedSameBytesOtherSeedOtherBytes) {
  LinkFaults faults;
  faults.split_rate = 0.1;
  faults.line_feed_rate = 0.05;
  faults.noise_rate = 0.05;
  const std::string a = Session(7, faults, milliseconds{60000});
  EXPECT_EQ(a, Session(7, faults, milliseconds{60000}));
  EXPECT_NE(a, Session(8, faults, milliseconds{60000}));
  // Line faults draw from their own stream: what is heard on the air does not change.
  std::vector<std::string> clean, faulty;
  Session(7, {}, milliseconds{60000}, &clean);
  Session(7, faults, milliseconds{60000}, &faulty);
  EXPECT_GT(clean.size(), 3u);
  EXPECT_EQ(clean, faulty);
}

TEST(SimLine, FaultsShowUpOnTheWire) {
  const struct {
    const char* name;
    double split, line_feed, noise;
    std::function<void(const std::vector<std::string>& reads)> check;
  } cases[] = {
      {"split", 1, 0, 0,
       [](const std::vector<std::string>& reads) {
         ASSERT_GE(reads.size(), 2u);
         EXPECT_EQ(reads[0].find('\r'), std::string::npos);
         EXPECT_EQ(reads[0] + reads[1], "MD00\r");
       }},
      {"line feed", 0, 1, 0,
       [](const std::vector<std::string>& reads) {
         ASSERT_EQ(reads.size(), 1u);
         EXPECT_EQ(reads[0], "MD00\r\n");
       }},
      {"noise", 0, 0, 1,
       [](const std::vector<std::string>& reads) {
         ASSERT_EQ(reads.size(), 1u);
         EXPECT_EQ(reads[0].size(), 6u);
         EXPECT_EQ(reads[0].find('\r'), 5u);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ManualClock clock;
    SimulatorOptions options = QuietOptions();
    options.pacing = false;
    options.faults.split_rate = c.split;
    options.faults.line_feed_rate = c.line_feed;
    options.faults.noise_rate = c.noise;
    Simulator sim(clock, options);
    sim.attach(AtSpeed(9600));
    sim.receive("MD\r");
    std::vector<std::string> reads;
    for (int i = 0; i < 200; ++i) {
      if (auto bytes = sim.take(); !bytes.empty()) reads.push_back(bytes);
      clock.advance(milliseconds{1});
    }
    c.check(reads);
  }
}

TEST(SimLine, PulledCableAndWrongSpeedLetNothingThrough) {
  ManualClock clock;
  SimulatorOptions options = QuietOptions();
  options.faults.disconnect_after = milliseconds{1000};
  Simulator sim(clock, options);
  sim.attach(AtSpeed(9600));
  sim.receive("MD\r");
  clock.advance(milliseconds{50});
  EXPECT_EQ(sim.take(), "MD00\r");
  for (int i = 0; i < 60; ++i) sim.receive("PM001\r");  // 1.5 s of replies, cut by the pull
  clock.advance(milliseconds{5000});
  const std::string cut = sim.take();
  EXPECT_GT(cut.size(), 20u * 24);
  EXPECT_LT(cut.size(), 60u * 24);
  sim.receive("MD\r");
  clock.advance(milliseconds{100});
  EXPECT_TRUE(sim.take().empty());

  ManualClock clock2;
  SimulatorOptions noisy = QuietOptions();
  noisy.activity_per_minute = 600;
  noisy.memories.squelch_reports = true;
  Simulator mismatched(clock2, noisy);
  mismatched.attach(AtSpeed(4800));
  mismatched.receive("MD\r");
  clock2.advance(milliseconds{60000});
  const std::string garbage = mismatched.take();
  EXPECT_FALSE(garbage.empty());
  EXPECT_EQ(garbage.find('\r'), std::string::npos);
  EXPECT_EQ(garbage.find("MD"), std::string::npos);
}

TEST(SimAir, SquelchAndTalkgroupReportsFollowTheMode) {
  SimulatorOptions options = QuietOptions(3);
  options.activity_per_minute = 20;
  options.pacing = false;
  SimRig rig(options);
  ASSERT_TRUE(rig.open());
  std::set<long> scanned;  // frequencies of channels in the selected banks, not locked out
  for (int ch = 1; ch <= 90; ++ch)
    if (!rig.simulator.state().channels[ch].lockout && rig.simulator.state().channels[ch].units) scanned.insert(rig.simulator.state().channels[ch].units);

  rig.link.SendCommand("QUN");
  bool open = false;
  int transmissions = 0;
  std::string stream;
  for (int tick = 0; tick < 20 * 60 * 3; ++tick) {  // three minutes of polls
    rig.link.SendCommand("WI");
    rig.advance(milliseconds{50});
    const auto lines = Lines(rig.port.readAll());
    for (const auto& line : lines) {
      if (line == "+") {
        EXPECT_FALSE(open);
        open = true;
        ++transmissions;
      } else if (line == "-") {
        EXPECT_TRUE(open);
        open = false;
      } else if (line.starts_with("W") && open) {
        EXPECT_TRUE(scanned.count(static_cast<long>(NumericValue(Mid(line, 7, 8))))) << line;
      }
    }
  }
  EXPECT_GT(transmissions, 20);

  // Trunk: scan ID hears only the talkgroups of the selected ID banks, start and end in pairs.
  rig.link.SendCommand("IDN");
  rig.link.SendCommand("IS B");
  rig.link.SendCommand("KEY13");
  std::string current;
  int calls = 0;
  for (int tick = 0; tick < 20 * 60 * 3; ++tick) {
    rig.advance(milliseconds{50});
    for (const auto& line : Lines(rig.port.readAll())) {
      if (line.starts_with("ID S ")) {
        EXPECT_TRUE(current.empty());
        current = std::string(Mid(line, 6, 6));
        EXPECT_EQ(line.size(), 11u);
        EXPECT_TRUE(current.starts_with("410-") || current.starts_with("12-0")) << current;
        ++calls;
      } else if (line.starts_with("ID E ")) {
        EXPECT_EQ(Mid(line, 6, 6), current);
        current.clear();
      }
    }
  }
  EXPECT_GT(calls, 20);

  rig.link.SendCommand("QUF");
  rig.link.SendCommand("IDF");
  rig.advance(milliseconds{10});
  rig.port.readAll();
  rig.advance(milliseconds{600000});
  EXPECT_TRUE(Lines(rig.port.readAll()).empty());
}

TEST(SimPort, OpensOnlyItsPortAndDropsWhatNobodyHears) {
  SimulatorOptions options = QuietOptions();
  options.activity_per_minute = 60;
  options.memories.squelch_reports = true;
  SimRig rig(options);
  EXPECT_FALSE(rig.open("9600,n,8,1", 2));
  EXPECT_EQ(rig.failure.code, errc::kInvalidPortNumber);
  Failure failure;
  EXPECT_FALSE(rig.port.write("MD\r", failure));
  EXPECT_EQ(failure.code, errc::kPortNotOpen);

  ASSERT_TRUE(rig.open());
  EXPECT_FALSE(rig.open());  // already open
  rig.link.SendCommand("PM001");
  rig.link.SendCommand("PM002");
  rig.advance(milliseconds{30});
  rig.pag_com.close();  // the first reply may be on the wire still
  rig.advance(milliseconds{600000});
  ASSERT_TRUE(rig.open());
  EXPECT_EQ(rig.port.waiting(), 0u);
  EXPECT_EQ(rig.port.written(), "PM001\rPM002\r");
}

TEST(SimPort, ProgramsReceivePathGetsWholeRepliesDespiteSplits) {
  SimulatorOptions options = QuietOptions(5);
  options.faults.split_rate = 0.05;
  SimRig rig(options);
  ASSERT_TRUE(rig.open());
  int w = 0, md = 0, dl = 0;
  rig.run(milliseconds{20000}, milliseconds{50}, [&] {
    for (auto command : {"WI", "MD", "DL"}) rig.link.SendCommand(command);
    rig.link.CollectReplies();
    for (auto& reply : rig.link.replies()) {
      if (reply.empty()) continue;
      if (reply.starts_with("W")) {
        ++w;
        EXPECT_EQ(reply.size(), 14u) << reply;
      } else if (reply.starts_with("MD")) {
        ++md;
        EXPECT_EQ(reply, "MD00");
      } else {
        ++dl;
        EXPECT_EQ(Mid(reply, 1, 2), "DL") << reply;
      }
      reply.clear();
    }
  });
  // Splits delay replies but lose none: all but the last few ticks' are in.
  EXPECT_GT(w, 380);
  EXPECT_LE(std::abs(w - md), 1);
  EXPECT_LE(std::abs(md - dl), 1);
}
