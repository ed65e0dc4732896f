// The poll on lines of every speed: a scanner that answers within the tick gets
// the whole poll every tick, as one that never answers does; a scanner behind the
// poll gets each command again only once its last copy is answered, so its output
// never queues up.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "link/core/poll_cycle.h"
#include "support/fake_port.h"

using namespace scandeck;
using scandeck::testing::FakePort;
using scandeck::testing::ListReporter;

namespace {

class NoProcessing final : public ReplyProcessor {
 public:
  void ProcessReplies(ReplySlots& replies) override {
    for (auto& r : replies) r.clear();
  }
};

// A scanner that answers each command `delay` ticks after it was written (0: at
// once), except the commands it drops.
struct Case {
  const char* what;
  int delay;  // -1: never answers
  std::vector<std::string> dropped;
  int ticks;
  // Copies of each command written over the run.
  std::map<std::string, int> expected;
  int most_unanswered;  // the most copies of one command on the line at once
};

struct Rig {
  FakePort device;
  ListReporter reporter;
  PagCom port{device};
  Link link{port, reporter};
  NoProcessing processing;
  PollCycle poll{link, processing};
  Rig() {
    Failure f;
    port.open(f);
    poll.setEnabled(true);
  }
};

struct Outcome {
  std::map<std::string, int> written;
  int most_unanswered = 0;
};

Outcome Drive(const Case& c) {
  Rig rig;
  FakePort& device = rig.device;
  std::multimap<int, std::string> due;  // tick -> reply
  std::map<std::string, int> on_line;
  int tick = 0;
  Outcome run;
  device.on_write = [&] {
    for (const std::string& command : device.commands()) {
      ++run.written[command];
      if (c.delay < 0 || std::count(c.dropped.begin(), c.dropped.end(), command)) continue;
      run.most_unanswered = std::max(run.most_unanswered, ++on_line[command]);
      const std::string reply = command == "WI" ? "W102001544300" : command + "01";
      if (c.delay == 0) {
        device.incoming += reply + '\r';
        --on_line[command];
      } else {
        due.emplace(tick + c.delay, command);
      }
    }
    device.written.clear();
  };
  for (tick = 1; tick <= c.ticks; ++tick) {
    while (!due.empty() && due.begin()->first <= tick) {
      const std::string command = due.begin()->second;
      device.incoming += (command == "WI" ? "W102001544300" : command + "01") + '\r';
      --on_line[command];
      due.erase(due.begin());
    }
    rig.poll.MainTimer_Timer();
  }
  return run;
}

}  // namespace

TEST(PollGate, EachCommandWaitsForItsAnswerOnlyWhileTheScannerAnswers) {
  const Case cases[] = {
      {"answers within the tick: the wire as without the gate", 0, {}, 40, {{"WI", 40}, {"MD", 40}, {"DL", 40}}, 1},
      {"never answers: the whole poll every tick", -1, {}, 40, {{"WI", 40}, {"MD", 40}, {"DL", 40}}, 0},
      {"answered before the next tick", 1, {}, 40, {{"WI", 40}, {"MD", 40}, {"DL", 40}}, 1},
      // Until the first answer the poll goes out every tick; then one copy at a time.
      {"three ticks behind", 3, {}, 40, {{"WI", 15}, {"MD", 15}, {"DL", 15}}, 3},
      // A lost reply never silences its command: written again at the retry bound.
      {"drops every MD", 0, {"MD"}, 2 * kPollRetryTicks + 1, {{"WI", 101}, {"MD", 3}, {"DL", 101}}, 1},
  };
  for (const Case& c : cases) {
    const Outcome run = Drive(c);
    EXPECT_EQ(run.written, c.expected) << c.what;
    EXPECT_EQ(run.most_unanswered, c.most_unanswered) << c.what;
  }
}

TEST(PollGate, TheLinkGivenBackByAReadStartsTheWholePollAgain) {
  Rig rig;
  FakePort& device = rig.device;
  PollCycle& poll = rig.poll;
  device.incoming = "MD01\r";
  poll.MainTimer_Timer();
  poll.MainTimer_Timer();
  EXPECT_EQ(device.commands(), (std::vector<std::string>{"WI", "MD", "DL"})) << "the second tick waits";
  poll.setEnabled(false);  // a directory read takes the link and its replies
  poll.setEnabled(true);
  device.written.clear();
  device.incoming = "MD01\r";
  poll.MainTimer_Timer();
  EXPECT_EQ(device.commands(), (std::vector<std::string>{"WI", "MD", "DL"}));
}
