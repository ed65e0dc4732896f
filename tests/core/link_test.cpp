#include <gtest/gtest.h>

#include "link/core/link.h"
#include "link/core/poll_cycle.h"
#include "support/fake_port.h"

using namespace scandeck;
using scandeck::testing::FakePort;
using scandeck::testing::ListReporter;

namespace {

struct Rig {
  FakePort device;
  ListReporter reporter;
  PagCom port{device};
  Link link{port, reporter};

  Rig() {
    Failure f;
    port.open(f);
  }
  // One receive-path run: feed `bytes`, collect, return the filled slots in order.
  std::vector<std::string> collect(const std::string& bytes) {
    device.incoming += bytes;
    link.CollectReplies();
    int last = 0;
    for (int i = 1; i <= kReplySlots; ++i)
      if (!link.replies()[i].empty()) last = i;
    std::vector<std::string> out(link.replies().begin() + 1, link.replies().begin() + last + 1);
    for (auto& slot : link.replies()) slot.clear();
    return out;
  }
};

class CountingProcessor : public ReplyProcessor {
 public:
  void ProcessReplies(ReplySlots& replies) override {
    ++runs;
    for (auto& r : replies) {
      if (!r.empty()) seen.push_back(r);
      r.clear();
    }
  }
  int runs = 0;
  std::vector<std::string> seen;
};

}  // namespace

TEST(ReceivePath, SplitsRepliesAcrossReads) {
  using V = std::vector<std::string>;
  const struct {
    const char* name;
    std::vector<std::string> reads;
    std::vector<V> per_tick;
    std::string left_in_buffer;
  } cases[] = {
      {"reply split after three characters", {"W10", "2001553250\r"}, {V{}, V{"W102001553250"}}, ""},
      {"read ending on a carriage return", {"MD00\rDLN\r", ""}, {V{"MD00", "DLN"}, V{}}, ""},
      {"two complete, one unfinished", {"+\rMD17\rW1", "02\r"}, {V{"+", "MD17"}, V{"W102"}}, ""},
      {"two carriage returns give an empty slot", {"+\r\r-\r"}, {V{"+", "", "-"}}, ""},
      {"line feed stays at the start of the next reply", {"+\r\nMD00\r"}, {V{"+", "\nMD00"}}, ""},
      {"unfinished tail kept", {"SB AC"}, {V{}}, "SB AC"},
  };
  for (const auto& c : cases) {
    Rig rig;
    for (std::size_t t = 0; t < c.reads.size(); ++t)
      EXPECT_EQ(rig.collect(c.reads[t]), c.per_tick[t]) << c.name << " tick " << t;
    EXPECT_EQ(rig.link.receive().buffer(), c.left_in_buffer) << c.name;
  }
}

TEST(ReceivePath, MoreThanFiftyRepliesWaitForTheNextTickInsteadOfBeingLost) {
  Rig rig;
  std::string burst;
  for (int i = 1; i <= 73; ++i) burst += "R" + std::to_string(i) + "\r";
  const auto first = rig.collect(burst);
  ASSERT_EQ(first.size(), 50u);
  EXPECT_EQ(first.front(), "R1");
  EXPECT_EQ(first.back(), "R50");
  const auto second = rig.collect("");  // nothing new arrives
  ASSERT_EQ(second.size(), 23u);
  EXPECT_EQ(second.front(), "R51");
  EXPECT_EQ(second.back(), "R73");
  EXPECT_TRUE(rig.collect("").empty());
  EXPECT_TRUE(rig.reporter.messages.empty());
}

TEST(ReceivePath, PaneShowsNewestFirstAndKeepsAThousandCharacters) {
  Rig rig;
  rig.collect("MD00\rDLN\r");
  EXPECT_EQ(rig.link.receive().pane(), "DLN\r\nMD00\r\n");
  rig.collect("\r\r");  // empty replies are not shown
  EXPECT_EQ(rig.link.receive().pane(), "DLN\r\nMD00\r\n");

  for (int i = 0; i < 200; ++i) rig.collect("W1020001553250\r");
  EXPECT_EQ(rig.link.receive().pane().size(), ReceivePath::kPaneLimit);
  EXPECT_EQ(rig.link.receive().pane().substr(0, 16), "W1020001553250\r\n");
}

TEST(ReceivePath, GarbageWithoutCarriageReturnsCannotGrowTheBufferWithoutBound) {
  Rig rig;
  const std::string noise(10000, '\xFF');
  for (int i = 0; i < 20; ++i) rig.collect(noise);
  EXPECT_LE(rig.link.receive().buffer().size(), ReceivePath::kBufferLimit);
  EXPECT_EQ(rig.collect("\rMD01\r").back(), "MD01");
}

TEST(Framing, TypedAndResentCommands) {
  const struct {
    const char* typed;
    std::optional<std::string> sent;
  } cases[] = {
      {" key00 ", "KEY00"}, {"md", "MD"}, {"   ", std::nullopt}, {"", std::nullopt},
      {"sb ac", "SB AC"},   {"\tlt\n", "LT"}, {"pm\x01" "001", "PM001"}, {"  sb  ", "SB"},
  };
  for (const auto& c : cases) EXPECT_EQ(TypedCommand(c.typed), c.sent) << '"' << c.typed << '"';

  Rig rig;
  rig.link.SendCommand("KEY00");
  rig.link.SendCommand("SB ");
  EXPECT_EQ(rig.device.written, "KEY00\rSB \r");
}

TEST(PollCycle, WritesThePollCollectsAndProcessesEveryTick) {
  Rig rig;
  CountingProcessor processor;
  PollCycle poll(rig.link, processor);
  poll.MainTimer_Timer();
  EXPECT_EQ(rig.device.written, "") << "disabled until start-up enables it";
  poll.setEnabled(true);
  rig.device.incoming = "MD00\rW10";
  poll.MainTimer_Timer();
  rig.device.incoming = "2001553250\r";
  poll.MainTimer_Timer();
  // The scanner answered the first "WI" only: "MD" and "DL" wait for their answers.
  EXPECT_EQ(rig.device.written, "WI\rMD\rDL\rWI\r");
  EXPECT_EQ(processor.runs, 2);
  EXPECT_EQ(processor.seen, (std::vector<std::string>{"MD00", "W102001553250"}));
  EXPECT_TRUE(rig.reporter.messages.empty());
}

TEST(PollCycle, ClosedPortIsReportedOnceUntilItsStateChanges) {
  Rig rig;
  CountingProcessor processor;
  PollCycle poll(rig.link, processor);
  poll.setEnabled(true);
  rig.port.close();
  for (int i = 0; i < 40; ++i) poll.MainTimer_Timer();
  ASSERT_EQ(rig.reporter.messages.size(), 1u);
  EXPECT_EQ(rig.reporter.messages[0].rfind("MainTimer Error : 8018,  please email me  ", 0), 0u);
  EXPECT_EQ(processor.runs, 40) << "processing runs even after a failed tick";

  // A click on a closed port adds nothing while the report stands.
  rig.link.Send("KEY00");
  EXPECT_EQ(rig.reporter.messages.size(), 1u);

  Failure f;
  rig.port.open(f);
  poll.MainTimer_Timer();
  rig.port.close();
  poll.MainTimer_Timer();
  poll.MainTimer_Timer();
  EXPECT_EQ(rig.reporter.messages.size(), 2u) << "reported again after the port opened and closed";
}

TEST(SerialSettings, RefusesWhatTheLinkCannotUse) {
  const struct {
    const char* text;
    bool accepted;
    int baud;
  } cases[] = {
      {"9600,n,8,1", true, 9600},  {"19200,N,8,1", true, 19200}, {"2400,e,7,2", true, 2400},
      {"4800,o,8,1.5", true, 4800}, {" 9600 , n , 8 , 1 ", true, 9600},
      {"9601,n,8,1", false, 0},    {"9600,x,8,1", false, 0},     {"9600,n,9,1", false, 0},
      {"9600,n,4,1", false, 0},    {"9600,n,8,3", false, 0},     {"9600,n,8", false, 0},
      {"", false, 0},              {"9600,n,8,1,1", false, 0},   {"-9600,n,8,1", false, 0},
  };
  for (const auto& c : cases) {
    const auto parsed = SerialSettings::Parse(c.text);
    EXPECT_EQ(parsed.has_value(), c.accepted) << c.text;
    if (parsed) {
      EXPECT_EQ(parsed->baud, c.baud) << c.text;
    }
  }
  FakePort device;
  PagCom port(device);
  EXPECT_FALSE(port.setSettings("9600,q,8,1"));
  EXPECT_EQ(port.settings(), "9600,n,8,1") << "a refused text keeps the previous one";
  EXPECT_FALSE(port.setPortNumber(0));
  EXPECT_FALSE(port.setPortNumber(40000));
  EXPECT_EQ(port.portNumber(), 1);
}
