// The main window driving the simulated scanner: clicks go out as commands, and the
// display changes only when the scanner's replies come back.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "common/qt/click_label.h"
#include "support/sim_session.h"

using namespace scandeck;

namespace {

bool Red(QWidget* w) { return w->palette().color(QPalette::WindowText) == QColor(255, 0, 0); }

using Session = scandeck::testing::SimSession;

}  // namespace

TEST(PanelAgainstSimulator, BanksAttenuatorAndLimitsComeBackThroughTheReplies) {
  Session s;
  s.ticks(40);  // the start-up sweep's replies arrive
  ASSERT_TRUE(s.desktop.events.empty()) << s.desktop.events.front();
  // The demo scanner scans banks 1 to 3.
  for (int b = 1; b <= 10; ++b)
    EXPECT_EQ(Red(s.at(("BankLbl" + std::to_string(b)).c_str())), b <= 3) << b;
  EXPECT_FALSE(Red(s.at("buttonlbl1")));

  emit s.at<ClickLabel>("BankLbl2")->clicked();
  EXPECT_TRUE(Red(s.at("BankLbl2"))) << "the label waits for the scanner";
  emit s.at<ClickLabel>("buttonlbl1")->clicked();
  s.at<QLineEdit>("LLbox")->setText("118.0000");
  s.at<QLineEdit>("LUbox")->setText("136.9750");
  s.at<QPushButton>("ApplyLimit")->click();
  s.at<QLineEdit>("LUbox")->clear();
  s.at<QAction>("ResetAllStatusMnu")->trigger();
  s.ticks(40);

  for (int b = 1; b <= 10; ++b)
    EXPECT_EQ(Red(s.at(("BankLbl" + std::to_string(b)).c_str())), b == 1 || b == 3) << b;
  EXPECT_TRUE(Red(s.at("buttonlbl1"))) << "attenuator on";
  EXPECT_EQ(s.core->status().LowerLimit, "118.0000");
  EXPECT_EQ(s.core->status().UpperLimit, "136.9750");
  EXPECT_EQ(s.at<QLineEdit>("LUbox")->text(), "136.9750");

  // A key changes the mode the poll reports.
  s.at<QPushButton>("Button2")->click();
  s.ticks(20);
  EXPECT_EQ(s.core->status().ModeText, "ID Search");
  EXPECT_EQ(s.core->status().SystemName, "METRO 800 ");
  EXPECT_TRUE(s.desktop.events.empty());
}
