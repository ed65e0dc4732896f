// The compact window and the tray icon as a listener uses them: entered from the
// Mode menu, driven by the scanner's reports, left by Escape or the close box.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "common/qt/click_label.h"
#include "support/app.h"
#include "support/wait_until.h"
#include "ui/qt/main_window.h"
#include "ui/qt/smart_view.h"
#include "ui/qt/tray_icon.h"

using namespace scandeck;
using scandeck::testing::WaitUntil;

namespace {

// The main window shown, with a named channel 5.
struct App : scandeck::testing::App {
  App() {
    load().window->show();
    core->freq()[5].name = "Air Emergency";
  }
  QLabel* label(const char* name) { return window->smartView()->findChild<QLabel*>(name); }
};

// The centre of the docked tray icon in root coordinates, or a null point.
QPoint IconCentre() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->inherits("QSystemTrayIconSys") || !w->isVisible()) continue;
    QProcess info;
    info.start("xwininfo", {"-id", QString::number(w->winId())});
    info.waitForFinished(3000);
    int x = -1, y = -1;
    for (const QByteArray& line : info.readAllStandardOutput().split('\n')) {
      const QByteArray t = line.trimmed();
      if (t.startsWith("Absolute upper-left X:")) x = t.mid(22).trimmed().toInt();
      if (t.startsWith("Absolute upper-left Y:")) y = t.mid(22).trimmed().toInt();
    }
    if (x > 0 || y > 0) return {x + w->width() / 2, y + w->height() / 2};
  }
  return {};
}

}  // namespace

TEST(SmartViewWindow, SmartViewAndPopUpModesFollowTheReports) {
  App app;
  app.tick("C005 F01215000 TF DN LF\rMD02\r");
  app.port.written.clear();
  app.window->findChild<QAction*>("SmartViewMode")->trigger();
  SmartView* view = app.window->smartView();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  EXPECT_TRUE(view->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(view->testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(app.port.commands(), std::vector<std::string>{"SQ"});
  EXPECT_EQ(app.core->compact().SmartViewState, kSmartViewMode);
  if (TrayIcon::available()) EXPECT_FALSE(app.window->isVisible());
  else EXPECT_TRUE(app.window->isMinimized()) << "no notification area: minimised, not hidden";

  app.tick("+\rW000 01215000\r");
  app.tick("W000 01215000\r");
  EXPECT_TRUE(app.label("NameLbl")->isVisible());

  app.port.written.clear();
  emit view->findChild<ClickLabel*>("HoldCmd")->clicked();
  EXPECT_EQ(app.port.commands(), std::vector<std::string>{"KEY07"});

  // "PopUp Mode": hidden until a signal opens the squelch, hidden again after it.
  emit view->findChild<ClickLabel*>("PopUpLbl")->clicked();
  EXPECT_FALSE(view->isVisible());
  EXPECT_EQ(app.core->compact().SmartViewState, kPopUpMode);
  app.tick("+\r");
  EXPECT_TRUE(view->isVisible());
  app.tick("-\r");
  EXPECT_FALSE(view->isVisible());

  app.window->picTray_DoubleClick();
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(app.core->compact().SmartViewState, kNoCompactMode);
  app.tick("-\r");
  EXPECT_TRUE(view->isVisible()) << "shown from the icon, no longer popped down";

  QTest::keyClick(view, Qt::Key_Escape);
  EXPECT_FALSE(view->isVisible());
  EXPECT_TRUE(app.window->isVisible() && !app.window->isMinimized());
  EXPECT_FALSE(app.window->tray().present());
  EXPECT_EQ(app.core->compact().SmartViewState, kNoCompactMode);

  // Pop-up mode from the menu: loaded, hidden, the main window out of the way.
  app.window->findChild<QAction*>("PopUpSmartViewMode")->trigger();
  EXPECT_FALSE(view->isVisible());
  EXPECT_EQ(app.core->compact().SmartViewState, kPopUpMode);
  app.tick("+\r");
  EXPECT_TRUE(view->isVisible());
  view->close();
  EXPECT_TRUE(app.window->isVisible());
}

// On a real X display with a notification area (tests/tray/run.sh starts Xvfb and
// trayer): the icon, a double-click on it, the stay-on-top state the window
// manager reads, and no icon left behind.
TEST(RealTray, IconDoubleClickAboveAndRemoval) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X display (tests/tray/run.sh)";
  if (!WaitUntil([] { return TrayIcon::available(); }, 5000)) GTEST_SKIP() << "no notification area on this display";
  App app;
  app.window->findChild<QAction*>("PopUpSmartViewMode")->trigger();
  ASSERT_TRUE(app.window->tray().present());
  EXPECT_FALSE(app.window->isVisible());
  SmartView* view = app.window->smartView();
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->isVisible());

  // Qt's own idea of the icon's place is stale once the notification area has
  // reparented it, so ask the X server where its window is.
  QPoint at;
  ASSERT_TRUE(WaitUntil([&] { return !(at = IconCentre()).isNull(); }, 5000)) << "the icon docks";
  QProcess::execute("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "--repeat", "2",
                                "--delay", "80", "1"});
  ASSERT_TRUE(WaitUntil([&] { return view->isVisible(); }, 3000)) << "double-click on the icon shows SmartView";
  EXPECT_EQ(app.core->compact().SmartViewState, kNoCompactMode);

  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(view->winId()), "_NET_WM_STATE"});
  xprop.waitForFinished(3000);
  EXPECT_TRUE(xprop.readAllStandardOutput().contains("_NET_WM_STATE_ABOVE"));

  view->close();
  EXPECT_FALSE(app.window->tray().present());
  EXPECT_TRUE(WaitUntil([] { return IconCentre().isNull(); }, 2000)) << "no icon left in the notification area";
  EXPECT_TRUE(app.window->isVisible());
}

