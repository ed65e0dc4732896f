// Start-up, shut-down and the data panel of the main window on a port in memory.
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/app.h"

using namespace scandeck;
using scandeck::testing::App;
using scandeck::testing::Sent;
namespace fs = std::filesystem;

TEST(StartUp, RunsItsStepsInOrder) {
  App app("[comm port]=3\r\n[comm speed]=19200,n,8,1\r\n[WindowWidth]=9600\r\n[Log What]=1\r\n");
  app.window->Form_Load();
  app.window->mainTimer().stop();
  EXPECT_TRUE(app.desktop.events.empty()) << app.desktop.events.front();
  EXPECT_EQ(app.port.opened_port, 3);
  EXPECT_EQ(app.port.opened_settings.baud, 19200);
  EXPECT_TRUE(app.core->poll().enabled());
  EXPECT_EQ(app.port.commands(), (Sent{"QUN", "IDN", "SQ", "SB", "IS", "TB", "LT", "PR", "DS", "AT", "LL", "LU", "MU"}));
  EXPECT_TRUE(fs::exists(app.folder.path / "bank.dat"));
  EXPECT_TRUE(fs::exists(app.folder.path / "idbank.dat"));
  EXPECT_EQ(app.core->windowWidth(), 9600.0f);
  EXPECT_TRUE(app.core->logOnOffChecked());
}

TEST(StartUp, PortThatWillNotOpenLeadsToTheSetupWindowThenRunsClosed) {
  App app;
  app.port.fail_open = true;
  app.window->Form_Load();
  app.window->mainTimer().stop();
  EXPECT_EQ(app.desktop.events, (Sent{"message: Comm port Error!", "setup"}));
  EXPECT_TRUE(app.core->poll().enabled()) << "the poll runs with the link closed";
  for (int i = 0; i < 20; ++i) app.window->MainTimer_Timer();
  EXPECT_TRUE(app.port.written.empty());
  ASSERT_EQ(app.desktop.events.size(), 3u) << "one report for twenty failing ticks";
  EXPECT_EQ(app.desktop.events[2].rfind("report: MainTimer Error : 8018", 0), 0u);
}

TEST(StartUp, DirectoryFileErrorsAreReportedOncePerFileAndStartUpGoesOn) {
  App app;
  fs::create_directories(app.folder.path / "bank.dat");
  fs::create_directories(app.folder.path / "idbank.dat");
  app.window->Form_Load();
  app.window->mainTimer().stop();
  ASSERT_EQ(app.desktop.events.size(), 2u);
  EXPECT_EQ(app.desktop.events[0].rfind("message: INI Freq File error : 52 ", 0), 0u) << app.desktop.events[0];
  EXPECT_EQ(app.desktop.events[1].rfind("message: INI ID File error : 52 ", 0), 0u) << app.desktop.events[1];
  EXPECT_NE(app.desktop.events[1].find(",  please mail me   "), std::string::npos);
  EXPECT_TRUE(app.port.is_open);
  EXPECT_EQ(app.port.commands().size(), 13u) << "the sweep still runs";
}

TEST(ShutDown, AsksSendsClosesAndWritesTheConfigurationButFileExitDoesNot) {
  const struct {
    bool yes, port_open, sends_remote_off;
  } cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
  for (const auto& c : cases) {
    App app("[UserName]= Jo \r\n[comm port]=2\r\n");
    app.load();
    if (!c.port_open) app.port.close();
    app.desktop.answer_yes = c.yes;
    app.desktop.events.clear();
    app.window->close();
    ASSERT_GE(app.desktop.events.size(), 1u);
    EXPECT_EQ(app.desktop.events[0], "ask Question: Do you want to REMOTE OFF your BC245xlt ?");
    EXPECT_EQ(app.port.written, c.sends_remote_off ? "KEY04H\r" : "");
    EXPECT_FALSE(app.port.is_open);
    EXPECT_NE(app.ini().find("\r\n[UserName]=Jo\r\n[comm port]=2\r\n[comm speed]=9600,n,8,1\r\n"), std::string::npos) << app.ini();
    EXPECT_NE(app.ini().find("[WindowWidth]=7320\r\n[WindowHeight]=5460\r\n"), std::string::npos) << app.ini();
  }
  App app("[WindowWidth]=8000\r\n");
  app.load().desktop.events.clear();
  app.action("Exit")->trigger();
  EXPECT_EQ(app.desktop.events, Sent{"end"});
  EXPECT_TRUE(app.port.written.empty());
  EXPECT_EQ(app.ini(), "[WindowWidth]=8000\r\n");
}

TEST(DataPanel, TypedCommandsAreFramedListedAndResent) {
  App app;
  app.load();
  // Hidden, the panel is not kept up to date (not even made); it shows what arrived
  // once it appears.
  app.tick("WI\r");
  EXPECT_EQ(app.window->findChild<QPlainTextEdit*>("temp"), nullptr);
  app.action("SeeCode")->trigger();
  auto* pane = app.find<QPlainTextEdit>("temp");
  EXPECT_TRUE(pane->toPlainText().startsWith("WI\n")) << pane->toPlainText().toStdString();
  app.port.written.clear();
  auto* box = app.find<QLineEdit>("CmdToBeSendBox");
  auto* list = app.find<QListWidget>("TxData");
  box->setText(" key00 ");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(app.port.written, "KEY00\r");
  EXPECT_TRUE(box->text().isEmpty());
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "KEY00");

  box->setText("   ");
  app.click("SndCmd");
  EXPECT_EQ(list->count(), 1) << "a blank box sends nothing";

  list->setCurrentRow(0);
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(app.port.written, "KEY00\rKEY00\r");
  EXPECT_EQ(list->count(), 2);

  app.tick("MD00\r");
  EXPECT_TRUE(app.find<QPlainTextEdit>("temp")->toPlainText().startsWith("MD00\n"));
  app.click("Clear");
  EXPECT_EQ(list->count(), 0);
  EXPECT_TRUE(app.find<QPlainTextEdit>("temp")->toPlainText().isEmpty());
}

TEST(DataPanel, TestButtonStopsThePollAroundItsNineCommands) {
  App app;
  app.load();
  app.action("SeeCode")->trigger();
  int writes_while_polling = 0;
  app.port.on_write = [&] { writes_while_polling += app.core->poll().enabled() ? 1 : 0; };
  app.click("testcmd");
  EXPECT_EQ(writes_while_polling, 0);
  EXPECT_TRUE(app.core->poll().enabled()) << "enabled again afterwards";
  EXPECT_EQ(app.sent(), (Sent{"PM001", "PM002", "PM003", "PM004", "PM005", "PM006", "PM007", "PM008", "PM009"}));
  EXPECT_EQ(app.find<QPlainTextEdit>("temp")->toPlainText(), "PM009");
}

