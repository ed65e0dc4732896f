// The compact window on a desktop: a long name ends in "…" with the whole name in
// the tooltip and the accessible name, and the window keeps its size and the
// place the user gave it across the pop-up's hides and shows.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

#include "ui/qt/smart_view.h"

using namespace scandeck;

TEST(SmartViewPlace, LongNamesAreCutVisiblyAndTheWindowKeepsItsSizeAndPlace) {
  const std::string long_name = "Northern Harbor Pilot Boarding Station Two";
  CompactView view;
  view.visible = true;
  view.NameLbl = {"Fire Dispatch", true};
  view.IDNameLbl = {long_name, true};
  SmartView window;
  window.render(view);
  QApplication::processEvents();
  const QSize size = window.size();
  auto* name = window.findChild<QLabel*>("IDNameLbl");
  auto* channel = window.findChild<QLabel*>("NameLbl");
  EXPECT_EQ(channel->text(), "Fire Dispatch") << "a name that fits is shown whole";
  EXPECT_TRUE(channel->toolTip().isEmpty());
  EXPECT_TRUE(name->text().endsWith(QChar(0x2026))) << name->text().toStdString();
  EXPECT_TRUE(QString::fromStdString(long_name).startsWith(name->text().chopped(1)));
  EXPECT_EQ(name->toolTip().toStdString(), long_name);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(name)->text(QAccessible::Name).toStdString(), "Talkgroup: " + long_name);

  window.move(window.pos() + QPoint(37, 23));
  QApplication::processEvents();
  const QPoint place = window.pos();
  for (int i = 0; i < 3; ++i) {
    view.visible = false;
    window.render(view);
    QApplication::processEvents();
    view.visible = true;
    view.NameLbl = {long_name + " " + std::to_string(i), true};
    window.render(view);
    QApplication::processEvents();
    EXPECT_EQ(window.size(), size) << "pop-up " << i;
    EXPECT_EQ(window.pos(), place) << "pop-up " << i;
  }
}
