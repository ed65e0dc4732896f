#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/qt/start_window.h"
#include "common/qt/click_label.h"
#include "support/accessible_names.h"
#include "support/app.h"
#include "support/pty_pair.h"

using namespace scandeck;
namespace fs = std::filesystem;

namespace {
// The program's settings read, as the setup window is opened on them.
struct SetupRig : scandeck::testing::App {
  explicit SetupRig(const std::string& ini) : App(ini) { ReadConfigFile(core->path("scandeck.ini"), *core); }
};

bool Checked(Start& window, const char* name) { return window.findChild<QRadioButton*>(name)->isChecked(); }
}  // namespace

TEST(SetupWindow, OpensOnTheCurrentSettings) {
  const struct {
    const char* ini;
    const char* port_option;
    const char* speed_option;
  } cases[] = {
      {"[UserName]=Jo\r\n[comm port]=3\r\n[comm speed]=9600,n,8,1\r\n", "Options3", "options23"},
      {"[comm port]=1\r\n[comm speed]=19200,n,8,1\r\n", "Options1", "options24"},
      {"[comm port]=7\r\n[comm speed]=9600,e,7,1\r\n", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SetupRig setup(c.ini);
    Start window(setup.core->CurrentSetupChoice(), setup.core->CurrentSetupPorts({}), nullptr);
    EXPECT_EQ(window.windowTitle(), "ScanPad...");
    for (int n = 1; n <= 4; ++n) {
      const std::string port = "Options" + std::to_string(n), speed = "options2" + std::to_string(n);
      EXPECT_EQ(Checked(window, port.c_str()), c.port_option && port == c.port_option) << c.ini << port;
      EXPECT_EQ(Checked(window, speed.c_str()), c.speed_option && speed == c.speed_option) << c.ini << speed;
    }
  }
  SetupRig named("[UserName]=Jo\r\n");
  Start window(named.core->CurrentSetupChoice(), named.core->CurrentSetupPorts({}), nullptr);
  EXPECT_EQ(window.findChild<QLineEdit*>("UserNameBox")->text(), "Jo");
  EXPECT_TRUE(window.findChild<QPlainTextEdit*>("Text1")->toPlainText().startsWith("Put you scanner in 'PC Con' mode."));
  int controls = 0;
  EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(&window, controls), std::vector<std::string>{});
  EXPECT_GE(controls, 11);
}

// Each group is one Tab stop that lands on the chosen option; an arrow chooses and
// the stop follows the choice.
TEST(SetupWindow, TabLandsOnTheChosenOptionOfEachGroup) {
  SetupRig setup("[comm port]=3\r\n[comm speed]=9600,n,8,1\r\n");
  Start window(setup.core->CurrentSetupChoice(), setup.core->CurrentSetupPorts({}), nullptr);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto focus = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); };
  window.findChild<QLineEdit*>("UserNameBox")->setFocus(Qt::TabFocusReason);
  const std::pair<Qt::Key, const char*> steps[] = {
      {Qt::Key_Tab, "Text1"},        {Qt::Key_Tab, "Options3"},    {Qt::Key_Tab, "options23"},
      {Qt::Key_Backtab, "Options3"}, {Qt::Key_Tab, "options23"},   {Qt::Key_Right, "options24"},
      {Qt::Key_Backtab, "Options3"}, {Qt::Key_Tab, "options24"}};
  for (const auto& [key, lands] : steps) {
    QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_EQ(focus().toStdString(), lands) << key;
  }
  EXPECT_TRUE(Checked(window, "options24"));
}

TEST(SetupWindow, OkWritesTheChoiceSaysSoAndEndsTheProcess) {
  SetupRig setup("[UserName]=Jo\r\n[comm port]=2\r\n[comm speed]=4800,n,8,1\r\n[Log What]=101\r\n");
  Start window(setup.core->CurrentSetupChoice(), setup.core->CurrentSetupPorts({}), [&](const SetupChoice& c) { setup.core->ConfirmSetup(c); });
  window.findChild<QLineEdit*>("UserNameBox")->setText("  Sam Lee  ");
  window.findChild<QRadioButton*>("Options4")->setChecked(true);
  emit window.findChild<ClickLabel*>("OKlbl")->clicked();
  const std::string ini = setup.ini();
  EXPECT_NE(ini.find("[UserName]=Sam Lee\r\n[comm port]=4\r\n[comm speed]=4800,n,8,1\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[Log What]=101000000\r\n"), std::string::npos) << "log settings are kept";
  EXPECT_EQ(setup.desktop.events,
            (std::vector<std::string>{"message: The new configuration is save ! Now Restart.", "end"}));
  EXPECT_TRUE(setup.port.written.empty()) << "no remote-off on the way out";
}

TEST(SetupWindow, NoSpeedChosenWritesAnEmptyValueAndCancelWritesNothing) {
  SetupRig setup("[comm port]=1\r\n[comm speed]=1200,n,8,1\r\n");
  Start window(setup.core->CurrentSetupChoice(), setup.core->CurrentSetupPorts({}), [&](const SetupChoice& c) { setup.core->ConfirmSetup(c); });
  emit window.findChild<ClickLabel*>("CancelCmd")->clicked();
  EXPECT_EQ(setup.ini(), "[comm port]=1\r\n[comm speed]=1200,n,8,1\r\n");
  EXPECT_TRUE(setup.desktop.events.empty());
  emit window.findChild<ClickLabel*>("OKlbl")->clicked();
  EXPECT_NE(setup.ini().find("\r\n[comm port]=1\r\n[comm speed]=\r\n"), std::string::npos) << setup.ini();
}

namespace {
struct ListedDevices : SerialDeviceList {
  std::vector<SerialDevice> list;
  std::vector<SerialDevice> devices() override { return list; }
};

// Every caption shown whole: no label or option narrower than its text, no list entry cut off.
std::vector<std::string> Clipped(QWidget& window) {
  std::vector<std::string> clipped;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&window) || (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w))) continue;
    if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap()) continue;
    if (w->width() < w->sizeHint().width() || w->height() < w->minimumSizeHint().height())
      clipped.push_back(w->objectName().toStdString());
  }
  auto* list = window.findChild<QListWidget*>("DeviceList");
  for (int i = 0; i < list->count(); ++i)
    if (list->fontMetrics().boundingRect(QRect(), 0, list->item(i)->text()).width() > list->viewport()->width())
      clipped.push_back("DeviceList: " + list->item(i)->text().toStdString());
  return clipped;
}
}  // namespace

TEST(SetupWindow, ShowsWhatEachPortOpensAndLinksTheChosenDevice) {
  scandeck::testing::PtyPair ftdi, prolific;
  ASSERT_FALSE(ftdi.name.empty() || prolific.name.empty());
  ListedDevices found;
  // The link names the stable name, which need not exist here.
  const std::string stable = "/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0";
  found.list = {{prolific.name, "Prolific", "USB-Serial Controller", stable}, {ftdi.name, "FTDI", "FT232R USB UART"}};
  for (const bool com2_is_a_file : {false, true}) {
    SetupRig setup("[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n");
    fs::create_symlink(ftdi.name, setup.folder.path / "com1");
    if (com2_is_a_file) setup.folder.write("com2", "keep me");
    Start window(setup.core->CurrentSetupChoice(), setup.core->CurrentSetupPorts(found.devices()),
                 [&](const SetupChoice& c) { setup.core->ConfirmSetup(c); });
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.findChild<QLabel*>("PortDevice1")->text().simplified(),
              QString::fromStdString("Com 1 opens " + ftdi.name + " through com1, present"));
    auto* list = window.findChild<QListWidget*>("DeviceList");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), QString::fromStdString(stable + "\n      (" + prolific.name + ", Prolific, USB-Serial Controller)"));
    EXPECT_EQ(Clipped(window), std::vector<std::string>{});
    int controls = 0;
    EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(&window, controls), std::vector<std::string>{});

    window.findChild<QRadioButton*>("Options2")->setChecked(true);
    list->setCurrentRow(2);
    emit window.findChild<ClickLabel*>("OKlbl")->clicked();
    if (com2_is_a_file) {
      EXPECT_EQ(scandeck::testing::Slurp(setup.folder.file("com2")), "keep me");
      EXPECT_EQ(setup.ini(), "[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n") << "nothing saved";
      ASSERT_EQ(setup.desktop.events.size(), 1u);
      EXPECT_EQ(setup.desktop.events[0].rfind("message: com2 was not linked to " + stable, 0), 0u);
    } else {
      EXPECT_EQ(fs::read_symlink(setup.folder.path / "com2"), stable);
      EXPECT_NE(setup.ini().find("[comm port]=2\r\n"), std::string::npos);
      EXPECT_EQ(setup.desktop.events.back(), "end");
    }
    EXPECT_EQ(fs::read_symlink(setup.folder.path / "com1"), ftdi.name) << "the other link stays";
  }
}

TEST(SetupWindow, APortRefusedSaysHowToJoinDialoutOrWhoHoldsTheAdapter) {
  const std::string held = "/dev/ttyUSB0 is held by the modem manager ModemManager (process 812).";
  for (const Failure& refusal : {Failure{errc::kInvalidPortNumber, "Invalid port number"},
                                 Failure{errc::kPermissionDenied, "Permission denied"}, Failure{errc::kDeviceBusy, held}}) {
    SetupRig setup("[comm port]=1\r\n");
    setup.port.fail_open = true;
    setup.port.open_refusal = refusal;
    setup.core->Form_Load();
    EXPECT_EQ(setup.desktop.events, (std::vector<std::string>{"message: Comm port Error!", "setup"}));
    Start window(setup.core->CurrentSetupChoice(), setup.core->CurrentSetupPorts({}), nullptr);
    auto* hint = window.findChild<QLabel*>("DialoutHint");
    EXPECT_EQ(hint->isVisibleTo(&window), refusal.code == errc::kPermissionDenied);
    EXPECT_TRUE(hint->text().contains("sudo usermod -aG dialout $USER")) << hint->text().toStdString();
    auto* holder = window.findChild<QLabel*>("HolderHint");
    EXPECT_EQ(holder->isVisibleTo(&window), refusal.code == errc::kDeviceBusy);
    if (refusal.code == errc::kDeviceBusy) {
      EXPECT_EQ(holder->text().toStdString(), held);
    }
    int controls = 0;
    EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(&window, controls), std::vector<std::string>{});
  }
}
