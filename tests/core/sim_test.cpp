// The simulated scanner's line: its pacing, its faults and the bound on what a slow
// line owes. Its command rules are exercised by every end-to-end test.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "sim/core/air_tone.h"
#include "sim/core/scanner.h"
#include "sim/core/sim_fixture.h"
#include "support/fake_port.h"

using namespace scandeck;
using namespace scandeck::sim;
using std::chrono::milliseconds;

namespace {

// A simulator on a manual clock, attached at `baud`.
struct Line {
  explicit Line(SimulatorOptions options, int baud = 9600) : sim(clock, std::move(options)) {
    SerialSettings s;
    s.baud = baud;
    sim.attach(s);
  }
  // Every non-empty take over `ms` milliseconds, one a millisecond.
  std::vector<std::string> reads(int ms) {
    std::vector<std::string> out;
    for (int i = 0; i < ms; ++i, clock.advance(milliseconds{1}))
      if (auto bytes = sim.take(); !bytes.empty()) out.push_back(bytes);
    return out;
  }
  ManualClock clock;
  Simulator sim;
};

}  // namespace

TEST(SimLine, DeliversAtTheConfiguredSpeedAndASlowLineOwesNoMoreThanItsBuffer) {
  for (int baud : {2400, 9600, 19200}) {
    SCOPED_TRACE(baud);
    SimulatorOptions options = QuietOptions();
    options.line.baud = baud;
    Line l(options, baud);
    std::string burst;
    for (int i = 0; i < 15; ++i) burst += "PM001\r";  // 1.5 s of replies at 2400: within the buffer
    l.sim.receive(burst);
    const double char_ms = 10000.0 / baud;  // ten bits a character
    const std::size_t expected = 15 * (23 + 1);
    std::string got;
    int ms = 0;
    while (got.size() < expected && ms < 20000) {
      l.clock.advance(milliseconds{1});
      got += l.sim.take();
      ASSERT_LE(static_cast<double>(got.size()), ++ms / char_ms) << "ahead of the line at " << ms << " ms";
    }
    ASSERT_EQ(got.size(), expected);
    // Not slower either: the first command's way in, the reaction, then the replies back to back.
    EXPECT_LE(ms, expected * char_ms + 6 * char_ms + 2 + 2);
    for (const auto& line : scandeck::testing::CarriageReturnLines(got)) EXPECT_EQ(Mid(line, 1, 4), "C001");
  }
  SimulatorOptions slow = QuietOptions();
  slow.line.baud = 2400;  // 240 characters a second; the poll asks for 480
  Line l(slow, 2400);
  std::size_t got = 0;
  for (int tick = 0; tick < 1200; ++tick) {
    l.sim.receive("WI\rMD\rDL\r");
    l.clock.advance(milliseconds{50});
    got += l.sim.take().size();
  }
  EXPECT_GT(got, 60u * 240 * 9 / 10);
  l.clock.advance(milliseconds{10000});
  EXPECT_LE(l.sim.take().size(), 2u * 240 + 24);
}

// A key pressed during a call ends it with the reports a listener would have heard.
TEST(SimScanner, AKeyEndsTheCallWithItsReportsAndRemoteOffSilencesIt) {
  const auto ask = [](Scanner& scanner, std::string_view command, Millis now = Millis{0}) {
    std::vector<std::string> out;
    scanner.command(command, now, [&](std::string_view line) { out.emplace_back(line); });
    return out;
  };
  Scanner scanner(2, 600.0);
  for (auto command : {"QUN", "IDN", "KEY13"}) ask(scanner, command);
  std::string started;
  Millis t{0};
  while (started.empty() && t < Millis{60000}) {
    t += Millis{100};
    scanner.run(t, [&](std::string_view line) {
      if (line.starts_with("ID S ")) started = std::string(line.substr(5));
    });
  }
  ASSERT_FALSE(started.empty());
  EXPECT_EQ(ask(scanner, "KEY01", t), (std::vector<std::string>{"OK", "-", "ID E " + started}));
  EXPECT_EQ(ask(scanner, "SQ", t), std::vector<std::string>{"-"});
  EXPECT_EQ(ask(scanner, "KEY04H", t), std::vector<std::string>{"OK"});
  EXPECT_TRUE(ask(scanner, "MD", t).empty());
}

// scandeck-sim --audio: each transmission's tone sounds from 300 ms before the
// scanner reports it, at the pitch of its own channel or talkgroup.
TEST(SimAirTone, TheToneLeadsEachTransmissionAtItsOwnPitch) {
  const struct {
    const char* digits;
    double hz;
  } pitches[] = {{"1544300", 1400}, {"400-12", 1500}, {"1610550", 400}, {"", 400}, {"29", 1850}};
  for (const auto& p : pitches) EXPECT_EQ(ToneHz(p.digits), p.hz) << p.digits;

  const struct {
    std::uint64_t seed;
    const char* key;  // the mode it is put in
    bool talkgroups;
  } runs[] = {{3, "", false}, {2, "KEY13", true}};
  constexpr Millis kLead{300}, kStep{20};
  for (const auto& r : runs) {
    Scanner scanner(r.seed, 20.0);  // gaps of at least 600 ms: no call is on air in the lead
    if (*r.key) scanner.command(r.key, Millis{0}, [](std::string_view) {});
    AirTone air(kLead);
    std::map<long long, double> played;
    int starts = 0;
    bool open = false;
    for (Millis t{0}; t < Millis{180000}; t += kStep) {
      played[t.count()] = air.at(scanner, t).hz;
      scanner.run(t, [](std::string_view) {});
      if (scanner.state().squelch_open && !open) {
        ++starts;
        const OnAir heard = HeardNow(scanner);
        EXPECT_EQ(heard.talkgroup, r.talkgroups) << heard.what;
        for (Millis before = t - kLead + kStep; before <= t; before += kStep)
          EXPECT_EQ(played[before.count()], heard.hz) << heard.what << " at " << (t - before).count() << " ms before";
        EXPECT_EQ(played[(t - kLead - 2 * kStep).count()], 0) << "silence before the lead";
      }
      open = scanner.state().squelch_open;
    }
    EXPECT_GE(starts, 20) << r.seed;
  }
}
