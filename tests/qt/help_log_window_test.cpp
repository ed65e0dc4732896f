// The help and about windows (and the log setup window's names), and the help menu's
// links, against a recording desktop. The log setup window is out of the user's reach
// while the log is switched off; its rules are the log core's and scandeck.ini's.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "common/qt/click_label.h"
#include "log/qt/log_window.h"
#include "support/accessible_names.h"
#include "support/app.h"
#include "ui/core/help.h"
#include "ui/qt/about_window.h"
#include "ui/qt/help_windows.h"

using namespace scandeck;
using scandeck::testing::FakeDesktop;

namespace {

// The main window after start-up.
struct App : scandeck::testing::App {
  explicit App(const std::string& ini = {}) : scandeck::testing::App(ini) { load(); }
};

}  // namespace

TEST(HelpWindows, OpenBesideTheMainWindowAndCloseOnOk) {
  App app;
  app.action("HelpTypes")->trigger();
  app.action("HelpCenterTuningMnu")->trigger();
  auto* type = app.window->findChild<HelpType*>("HelpType");
  auto* tuning = app.window->findChild<HelpCenterTuning*>("HelpCenterTuning");
  ASSERT_TRUE(type && tuning);
  EXPECT_TRUE(type->isVisible() && tuning->isVisible());
  EXPECT_FALSE(type->isModal() || tuning->isModal());
  EXPECT_EQ(type->findChild<QPlainTextEdit*>("Text1")->toPlainText(),
            QString::fromLatin1(HelpTypeText().c_str()).replace("\r\n", "\n"));
  QPointer<HelpType> gone = type;
  emit type->findChild<ClickLabel*>("OkCmd")->clicked();
  QApplication::processEvents();
  EXPECT_TRUE(gone.isNull() || !gone->isVisible());
  EXPECT_TRUE(tuning->isVisible());

  About about(app.desktop);
  Log log(app.core->logSettings(), [&](const LogSetupForm& f) { app.core->ConfirmLogSetup(f); });
  for (QWidget* w : std::initializer_list<QWidget*>{tuning, &about, &log}) {
    int controls = 0;
    EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(w, controls), std::vector<std::string>{}) << w->objectName().toStdString();
    EXPECT_GT(controls, 0);
  }
}

TEST(HelpMenu, EveryEntryIsAvailableAndEveryLinkReachesTheDesktop) {
  App app;
  for (const char* name : {"HelpTypes", "HelpCenterTuningMnu", "Aboutit"}) EXPECT_TRUE(app.action(name)->isEnabled());
  app.desktop.events.clear();
  for (const HelpLink& link : HelpMenuLinks()) {
    QAction* a = app.action(std::string(link.name).c_str());
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isEnabled()) << link.name;
    a->trigger();
    ASSERT_FALSE(app.desktop.events.empty());
    EXPECT_EQ(app.desktop.events.back(), "link: " + link.address);
  }
  EXPECT_EQ(app.desktop.events.size(), 6u);
  EXPECT_EQ(app.desktop.events[1], "link: mailto:scandeck-users@lists.scandeck.example.org");
  EXPECT_FALSE(app.window->findChild<QMenu*>("LogFontion")->isEnabled()) << "the log stays switched off";
  for (const char* name : {"LogOnOFF", "SetupLog", "StatisticsLog", "Upgrade"})
    EXPECT_FALSE(app.action(name)->isEnabled()) << name << ": what the mouse cannot reach, nothing else can";
}

TEST(AboutWindow, ClosingGesturesAndLinks) {
  FakeDesktop desktop;
  const struct {
    const char* target;
    bool double_click;
    bool closes;
  } gestures[] = {
      {"Label1", false, true}, {"Picture1", false, true}, {"Text1", true, true},
      {"Text1", false, false}, {"", true, true},  // the window itself
  };
  for (const auto& g : gestures) {
    About about(desktop);
    about.show();
    QWidget* target = &about;
    if (*g.target) target = about.findChild<QWidget*>(g.target);
    ASSERT_NE(target, nullptr) << g.target;
    if (auto* text = qobject_cast<QPlainTextEdit*>(target)) target = text->viewport();
    const QPoint at = target->rect().center();
    if (g.double_click)
      QTest::mouseDClick(target, Qt::LeftButton, {}, at);
    else
      QTest::mouseClick(target, Qt::LeftButton, {}, at);
    EXPECT_EQ(about.isVisible(), !g.closes) << g.target << g.double_click;
  }
  About about(desktop);
  EXPECT_TRUE(about.isModal());
  about.show();
  for (const char* label : {"Label2", "Label3", "Label4"}) emit about.findChild<ClickLabel*>(label)->clicked();
  std::vector<std::string> expected;
  for (const HelpLink& link : AboutLinks()) expected.push_back("link: " + link.address);
  EXPECT_EQ(desktop.events, expected);
  EXPECT_TRUE(about.isVisible());
  EXPECT_TRUE(about.findChild<QPlainTextEdit*>("Text1")->toPlainText().contains("trademarks"));
}
