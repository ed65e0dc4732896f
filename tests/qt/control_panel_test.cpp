#include <QAccessible>
#include <QAction>
#include <QListWidget>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <tuple>

#include "common/qt/click_label.h"
#include "support/accessible_names.h"
#include "support/app.h"

using namespace scandeck;
using scandeck::testing::Sent;

namespace {

// The main window with its link open; replies go through the receive path and
// response processing, and what that sends is dropped.
struct Panel : scandeck::testing::App {
  Panel() { openPort(); }
  void reply(const std::string& text) {
    tick(text);
    port.written.clear();
  }
  void menu(const char* name) { action(name)->trigger(); }
};

}  // namespace

// Which command each state sends is the control panel core's rule; here one control
// of each kind reads the state the scanner reported (none, or every flag on).
TEST(ControlPanelWindow, EveryKeyLabelAndEntrySendsWhatTheReportedStateAsks) {
  const struct {
    const char* control;
    bool is_menu, reported;
    Sent sent;
  } cases[] = {
      {"Button0", false, false, {"MD", "SB", "KEY00"}}, {"Button6", false, false, {"KEY09"}},
      {"buttonlbl1", false, false, {"ATN", "AT"}},      {"buttonlbl4", false, false, {"KEY06"}},
      {"LightAuto", false, false, {"ALF", "LTN", "LT"}}, {"BankLbl3", false, false, {"SB C"}},
      {"IDlbl0", false, false, {"IS "}},                {"IDlbl10", false, false, {"IS J"}},
      {"buttonlbl1", false, true, {"ATF", "AT"}},       {"LightPermanent", true, true, {"LTF", "LT"}},
      {"Mute", true, true, {"MUA", "MU"}},              {"MonitorMode", true, true, {"MUF", "MU"}},
      {"BankLbl1", false, true, {"SB J"}},              {"IDlbl3", false, true, {"IS BC"}},
      {"Trunk", true, true, {"KEY13"}},                 {"RemoteControlOff", true, true, {"KEY04H"}},
      {"ResetAllStatusMnu", true, true, {"QUN", "IDN", "SQ", "SB", "IS", "TB", "LT", "PR", "DS", "AT", "LL", "LU", "MU"}},
  };
  for (const auto& c : cases) {
    Panel panel;
    if (c.reported) panel.reply("DSN\rATN\rPRN\rLTN\rMUN\rSB AJ\rIS B\r");
    c.is_menu ? panel.menu(c.control) : panel.click(c.control);
    EXPECT_EQ(panel.sent(), c.sent) << c.control;
  }
  Panel panel;
  panel.reply("LTN\r");
  panel.menu("LightPermanent");
  EXPECT_TRUE(panel.find<QAction>("LightPermanent")->isChecked()) << "only the reply changes the mark";
  panel.sent();
  panel.menu("CenterTuningOnOff");
  EXPECT_TRUE(panel.find<QAction>("CenterTuningOnOff")->isChecked());
  EXPECT_TRUE(panel.find<QWidget>("TunLine")->isVisibleTo(panel.window.get()));
  panel.menu("CenterTuningOnOff");
  EXPECT_FALSE(panel.find<QWidget>("TunLine")->isVisibleTo(panel.window.get()));
  EXPECT_TRUE(panel.sent().empty());

  QTest::mouseClick(panel.find<QWidget>("Searching"), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(panel.sent(), Sent{"LL"});
}

TEST(ControlPanelWindow, AltKeysPressTheButtons) {
  Panel panel;
  panel.window->show();
  panel.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel.window.get()));
  const struct {
    Qt::Key key;
    Sent sent;
  } cases[] = {{Qt::Key_S, {"MD", "SB", "KEY00"}}, {Qt::Key_M, {"WI", "KEY01"}}, {Qt::Key_T, {"KEY13"}},
               {Qt::Key_C, {"KEY09"}}};
  for (const auto& c : cases) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : panel.window.get();
    QTest::keyClick(target, c.key, Qt::AltModifier);
    // A mnemonic presses the button visibly: the click lands a moment later.
    for (int i = 0; i < 50 && panel.port.written.empty(); ++i) QTest::qWait(20);
    EXPECT_EQ(panel.sent(), c.sent) << c.key;
  }
}

TEST(ControlPanelWindow, DirectAccessBoxesSendOneCommandPerEnter) {
  Panel panel;
  panel.menu("SeeCode");  // the data panel, where the replies are echoed
  auto* channel = panel.find<QLineEdit>("ChannelBox");
  QTest::keyClicks(channel, "45");
  EXPECT_TRUE(panel.sent().empty()) << "digits without Enter send nothing";
  QTest::keyClick(channel, Qt::Key_Return);
  EXPECT_EQ(panel.sent(), Sent{"MA045"});
  EXPECT_TRUE(channel->text().isEmpty());

  auto* bank = panel.find<QLineEdit>("IDChannelBox");
  auto* position = panel.find<QLineEdit>("IDChannelBoxII");
  // The bank and position rules are the core's; one sent, one refused.
  for (const auto& [b, p, sent] : {std::tuple{"10", "10", Sent{"IC J0"}}, {"-51", "1", Sent{}}}) {
    bank->clear();
    position->clear();
    QTest::keyClicks(bank, b);
    QTest::keyClick(bank, Qt::Key_Return);
    QTest::keyClicks(position, p);
    QTest::keyClick(position, Qt::Key_Return);
    EXPECT_EQ(panel.sent(), sent) << b << "-" << p;
  }
  EXPECT_EQ(panel.find<QPlainTextEdit>("temp")->toPlainText(), "IC J0");
}

TEST(ControlPanelWindow, LimitsUploadOnlyWithBothBoxesFilled) {
  Panel panel;
  auto* lower = panel.find<QLineEdit>("LLbox");
  auto* upper = panel.find<QLineEdit>("LUbox");
  lower->setText("118.0000");
  panel.click("ApplyLimit");
  EXPECT_TRUE(panel.sent().empty());
  upper->setText("136.9750");
  panel.click("ApplyLimit");
  EXPECT_EQ(panel.sent(), (Sent{"LL01180000", "LU01369750"}));

  panel.reply("LL01080000\r");
  EXPECT_EQ(lower->text(), "108.0000");
  EXPECT_EQ(upper->text(), "136.9750") << "a box the reply did not name keeps the user's text";
}

TEST(ControlPanelWindow, ClicksOnAClosedPortRaiseOneReport) {
  Panel panel;
  panel.core->port().close();
  for (const char* name : {"Button0", "buttonlbl1", "BankLbl2", "LightAuto", "Button6"}) panel.click(name);
  ASSERT_EQ(panel.desktop.events.size(), 1u);
  EXPECT_EQ(panel.desktop.events[0].rfind("report: Send Error : 8018", 0), 0u);
}

TEST(ControlPanelWindow, EveryNameHoldsItsCaptionAndEveryIndicatorItsState) {
  Panel panel;
  panel.window->show();
  panel.menu("SeeCode");  // the data panel's controls too
  panel.reply("DSN\rSB AC\rW110 F01545500\rMD17\r");
  int controls = 0;
  EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(panel.window.get(), controls), std::vector<std::string>{});
  EXPECT_GT(controls, 60);

  auto name = [&](const char* object) {
    return QAccessible::queryAccessibleInterface(panel.find<QWidget>(object))->text(QAccessible::Name);
  };
  QAccessibleInterface* data = QAccessible::queryAccessibleInterface(panel.find<ClickLabel>("buttonlbl0"));
  EXPECT_EQ(data->role(), QAccessible::Button);
  EXPECT_TRUE(data->state().checkable && data->state().checked);
  EXPECT_EQ(name("buttonlbl0"), "DATA, data skip on");
  EXPECT_EQ(name("buttonlbl1"), "ATT, attenuator off");
  EXPECT_EQ(name("BankLbl3"), "3, frequency bank 3 selected");
  EXPECT_EQ(name("BankLbl2"), "2, frequency bank 2 not selected");
  EXPECT_EQ(name("FrequencyBox"), "Frequency: 154.5500");
  EXPECT_EQ(name("ModeLbl"), "Mode: Scan ID");
  EXPECT_EQ(name("SystemLbl"), "Trunked system: none");
  EXPECT_EQ(name("SQopen"), "Squelch closed");
  panel.reply("+\rDSF\r");
  EXPECT_EQ(name("SQopen"), "Squelch open");
  EXPECT_FALSE(data->state().checked);
  EXPECT_EQ(name("buttonlbl0"), "DATA, data skip off");
  data->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  QApplication::processEvents();  // pressed through the accessibility bus, it clicks after the call returns
  EXPECT_EQ(panel.sent(), (Sent{"DSN", "DS"}));
}
