// The program's serial adapter on the simulated scanner through a real
// pseudo-terminal, found by its comN link in a folder as a user's port would be.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>

#include "common/core/text.h"
#include "link/core/link.h"
#include "link/qt/qt_serial_port.h"
#include "sim/core/sim_fixture.h"
#include "support/pty_scanner.h"
#include "support/wait_until.h"

using namespace scandeck;
using namespace scandeck::sim;
using std::chrono::milliseconds;

namespace {

struct Program {
  explicit Program(const QString& folder) : device(folder) {}
  bool open() {
    Failure failure;
    return pag_com.open(failure);
  }
  // Waits like a poll tick and returns the complete replies that arrived.
  std::vector<std::string> tick(milliseconds wait = milliseconds{50}) {
    std::this_thread::sleep_for(wait);
    link.CollectReplies();
    std::vector<std::string> out;
    for (auto& slot : link.replies()) {
      if (!slot.empty()) out.push_back(slot);
      slot.clear();
    }
    return out;
  }

  QtSerialPort device;
  PagCom pag_com{device};
  CollectingReporter reporter;
  Link link{pag_com, reporter};
};

// Counts the times a serial port's socket notifiers woke the event loop.
struct PortWakeUps : QObject {
  int count = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::SockAct && watched->parent() && watched->parent()->inherits("QSerialPort")) ++count;
    return false;
  }
};

}  // namespace

// The poll writes and reads the line on its tick; a slow line's bytes must not each
// wake the event loop in between (about a thousand times a second at 9600 baud).
TEST(SimPty, TheLineIsServedOnTheTickWithoutWakeUps) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  PtyScanner scanner(folder.path(), QuietOptions());  // paced as the real line
  ASSERT_TRUE(scanner.ok()) << scanner.error();
  Program program(folder.path());
  ASSERT_TRUE(program.open());

  PortWakeUps wake_ups;
  QCoreApplication::instance()->installEventFilter(&wake_ups);
  int answered = 0;
  for (int t = 0; t < 20; ++t) {
    for (auto command : {"WI", "MD", "DL"}) program.link.SendCommand(command);
    QElapsedTimer tick;
    tick.start();
    while (tick.elapsed() < 50) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    answered += static_cast<int>(program.tick(milliseconds{0}).size());
  }
  QCoreApplication::instance()->removeEventFilter(&wake_ups);
  EXPECT_GE(answered, 45) << "the replies still arrive, read on the tick";
  EXPECT_EQ(wake_ups.count, 0);
}

TEST(SimPty, PollAndChannelReadOverAPseudoTerminal) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  SimulatorOptions options = QuietOptions(11);
  options.faults.split_rate = 0.05;
  PtyScanner scanner(folder.path(), options);
  ASSERT_TRUE(scanner.ok()) << scanner.error();

  Program program(folder.path());
  ASSERT_TRUE(program.open());
  int polls_answered = 0;
  for (int t = 0; t < 30; ++t) {
    for (auto command : {"WI", "MD", "DL"}) program.link.SendCommand(command);
    for (const auto& reply : program.tick()) {
      if (reply.starts_with("W")) {
        ++polls_answered;
        EXPECT_EQ(reply.size(), 14u) << reply;
      } else if (reply.starts_with("MD")) {
        EXPECT_EQ(reply, "MD00");
      } else {
        EXPECT_TRUE(reply == "DLN" || reply == "DLF") << reply;
      }
    }
  }
  EXPECT_GE(polls_answered, 25);

  // A bank's worth of channel requests: 30 replies of 24 characters take at least
  // three quarters of a second at 960 characters a second, also on a pseudo-terminal.
  for (int i = 0; i < 10; ++i) program.tick(milliseconds{10});  // drain the poll's leftovers
  QElapsedTimer elapsed;
  elapsed.start();
  for (int ch = 31; ch <= 60; ++ch) program.link.SendCommand("PM0" + std::to_string(ch));
  std::vector<std::string> records;
  while (records.size() < 30 && elapsed.elapsed() < 5000)
    for (const auto& reply : program.tick(milliseconds{20}))
      if (reply.starts_with("C")) records.push_back(reply);
  EXPECT_GE(elapsed.elapsed(), 30 * 24 * 1000 / 960);
  ASSERT_EQ(records.size(), 30u);
  EXPECT_EQ(Mid(records[0], 2, 3), "031");
  EXPECT_EQ(Mid(records[0], 7, 8), "01543700");
  EXPECT_EQ(Mid(records[29], 2, 3), "060");
}

TEST(SimPty, ReopeningFindsACleanLineAndTheScannerBackInRemoteControl) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  PtyScanner scanner(folder.path(), QuietOptions());
  ASSERT_TRUE(scanner.ok()) << scanner.error();

  {
    Program program(folder.path());
    ASSERT_TRUE(program.open());
    program.link.SendCommand("KEY04H");
    EXPECT_EQ(program.tick(milliseconds{100}), std::vector<std::string>{"OK"});
    program.link.SendCommand("MD");
    EXPECT_TRUE(program.tick(milliseconds{100}).empty());  // out of remote control
  }
  std::this_thread::sleep_for(milliseconds{100});
  {
    Program program(folder.path());
    ASSERT_TRUE(program.open());
    program.link.SendCommand("MD");
    EXPECT_EQ(program.tick(milliseconds{100}), std::vector<std::string>{"MD00"});
    for (int i = 0; i < 20; ++i) program.link.SendCommand("PM001");
    std::this_thread::sleep_for(milliseconds{60});
    program.pag_com.close();  // with most of the replies still to come
  }
  std::this_thread::sleep_for(milliseconds{100});

  Program program(folder.path());
  ASSERT_TRUE(program.open());
  EXPECT_EQ(program.device.waiting(), 0u);
  program.link.SendCommand("MD");
  EXPECT_EQ(program.tick(milliseconds{100}), std::vector<std::string>{"MD00"});
}

TEST(SimPty, WhatTheProgramWroteBeforeClosingStillReachesTheScanner) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  PtyScanner scanner(folder.path(), QuietOptions());  // paced: 11 characters take 12 ms
  ASSERT_TRUE(scanner.ok()) << scanner.error();

  Program program(folder.path());
  ASSERT_TRUE(program.open());
  program.link.SendCommand("MD");
  program.link.SendCommand("KEY04H");  // as the program does on its way out
  program.pag_com.close();
  const std::vector<std::string> expected{"> MD", "< MD00", "> KEY04H", "< OK"};
  EXPECT_TRUE(scandeck::testing::WaitUntil([&] { return scanner.log() == expected; }, 2000))
      << ::testing::PrintToString(scanner.log());
}
