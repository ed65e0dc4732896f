#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/qt/click_label.h"
#include "support/fake_desktop.h"
#include "support/fake_port.h"
#include "support/temp_dir.h"
#include "ui/qt/main_window.h"

using namespace scandeck;
using scandeck::testing::FakeDesktop;
using scandeck::testing::FakePort;
namespace fs = std::filesystem;

namespace {

struct App {
  scandeck::testing::TempDir folder;
  FakePort port;
  FakeDesktop desktop;
  std::unique_ptr<MainCore> core;
  std::unique_ptr<MainWindow> window;

  explicit App(const std::string& ini = {}) {
    if (!ini.empty()) folder.write("scandeck.ini", ini);
    core = std::make_unique<MainCore>(port, desktop, folder.path.string(), '.');
    window = std::make_unique<MainWindow>(*core);
  }
  void load() {
    window->Form_Load();
    window->mainTimer().stop();  // the tests drive the ticks themselves
    port.written.clear();
  }
  template <typename T>
  T* find(const char* name) {
    T* widget = window->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::vector<std::string> sent() {
    auto out = port.commands();
    port.written.clear();
    return out;
  }
};

}  // namespace

TEST(StartUp, RunsItsStepsInOrder) {
  App app("[comm port]=3\r\n[comm speed]=19200,n,8,1\r\n[WindowWidth]=9600\r\n[Log What]=1\r\n");
  app.window->Form_Load();
  app.window->mainTimer().stop();
  EXPECT_TRUE(app.desktop.events.empty()) << app.desktop.events.front();
  EXPECT_EQ(app.port.opened_port, 3);
  EXPECT_EQ(app.port.opened_settings.baud, 19200);
  EXPECT_TRUE(app.core->poll().enabled());
  EXPECT_EQ(app.port.commands(), (std::vector<std::string>{"QUN", "IDN", "SQ", "SB", "IS", "TB", "LT", "PR", "DS",
                                                           "AT", "LL", "LU", "MU"}));
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
  ASSERT_EQ(app.desktop.events.size(), 2u);
  EXPECT_EQ(app.desktop.events[0], "message: Comm port Error!");
  EXPECT_EQ(app.desktop.events[1], "setup");
  EXPECT_TRUE(app.core->poll().enabled()) << "the poll runs with the link closed";
  EXPECT_TRUE(app.port.written.empty());

  for (int i = 0; i < 20; ++i) app.window->MainTimer_Timer();
  ASSERT_EQ(app.desktop.events.size(), 3u) << "one report for twenty failing ticks";
  EXPECT_EQ(app.desktop.events[2].rfind("report: MainTimer Error : 8018", 0), 0u);
}

TEST(ShutDown, AsksSendsClosesAndWritesTheConfiguration) {
  const struct {
    bool yes;
    bool port_open;
    bool sends_remote_off;
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
    const std::string ini = scandeck::testing::Slurp(app.folder.file("scandeck.ini"));
    EXPECT_NE(ini.find("\r\n[UserName]=Jo\r\n[comm port]=2\r\n[comm speed]=9600,n,8,1\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[WindowWidth]=7320\r\n[WindowHeight]=5460\r\n"), std::string::npos) << ini;
  }
}

TEST(DataPanel, TypedCommandsAreFramedListedAndResent) {
  App app;
  app.load();
  auto* box = app.find<QLineEdit>("CmdToBeSendBox");
  auto* list = app.find<QListWidget>("TxData");
  box->setText(" key00 ");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(app.port.written, "KEY00\r");
  EXPECT_TRUE(box->text().isEmpty());
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "KEY00");

  box->setText("   ");
  app.find<QPushButton>("SndCmd")->click();
  EXPECT_EQ(list->count(), 1) << "a blank box sends nothing";

  list->setCurrentRow(0);
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(app.port.written, "KEY00\rKEY00\r");
  EXPECT_EQ(list->count(), 2);

  app.port.incoming = "MD00\r";
  app.window->MainTimer_Timer();
  EXPECT_TRUE(app.find<QPlainTextEdit>("temp")->toPlainText().startsWith("MD00\n"));
  app.find<QPushButton>("Clear")->click();
  EXPECT_EQ(list->count(), 0);
  EXPECT_TRUE(app.find<QPlainTextEdit>("temp")->toPlainText().isEmpty());
}

TEST(DataPanel, TestButtonStopsThePollAroundItsNineCommands) {
  App app;
  app.load();
  int writes_while_polling = 0;
  app.port.on_write = [&] { writes_while_polling += app.core->poll().enabled() ? 1 : 0; };
  app.find<QPushButton>("testcmd")->click();
  EXPECT_EQ(writes_while_polling, 0);
  EXPECT_TRUE(app.core->poll().enabled()) << "enabled again afterwards";
  EXPECT_EQ(app.sent(), (std::vector<std::string>{"PM001", "PM002", "PM003", "PM004", "PM005", "PM006", "PM007",
                                                  "PM008", "PM009"}));
  EXPECT_EQ(app.find<QPlainTextEdit>("temp")->toPlainText(), "PM009");
}

TEST(DataPanel, SeeCodeShowsAndHidesThePanel) {
  App app;
  app.load();
  app.window->show();
  auto* menu = app.window->findChild<QAction*>("SeeCode");
  menu->trigger();
  EXPECT_TRUE(menu->isChecked());
  EXPECT_EQ(app.core->windowHeight(), 8145.0f);
  EXPECT_TRUE(app.window->findChild<QWidget*>("dataPanel")->isVisible());
  menu->trigger();
  EXPECT_EQ(app.core->windowHeight(), 5460.0f);
  EXPECT_EQ(app.core->windowWidth(), 7320.0f);
  EXPECT_FALSE(app.window->findChild<QWidget*>("dataPanel")->isVisible());
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

TEST(ShutDown, FileExitEndsAtOnceWithoutAskingOrWriting) {
  App app("[WindowWidth]=8000\r\n");
  app.load();
  app.desktop.events.clear();
  app.window->findChild<QAction*>("Exit")->trigger();
  EXPECT_EQ(app.desktop.events, std::vector<std::string>{"end"});
  EXPECT_TRUE(app.port.written.empty());
  EXPECT_EQ(scandeck::testing::Slurp(app.folder.file("scandeck.ini")), "[WindowWidth]=8000\r\n");
}
