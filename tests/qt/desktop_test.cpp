#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <gtest/gtest.h>

#include "app/qt/qt_desktop.h"

using namespace scandeck;

TEST(QtDesktop, ReportsWhileOneIsOpenAreCountedIntoItNotStacked) {
  QWidget owner;
  QtDesktop desktop(&owner);
  for (int i = 0; i < 25; ++i) desktop.report("MainTimer Error : 8018,  please email me  x");
  EXPECT_EQ(desktop.openReports(), 1);
  desktop.report("Main Processing Error : 5,  please email me  x");
  desktop.report("Main Processing Error : 9,  please email me  x");
  EXPECT_EQ(desktop.openReports(), 1) << "different errors under line noise still make one box";
  const auto boxes = owner.findChildren<QMessageBox*>("report");
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_EQ(boxes[0]->text().toStdString(),
            "MainTimer Error : 8018,  please email me  x\n\n2 more messages while this one was open; the last:\n"
            "Main Processing Error : 9,  please email me  x");

  for (auto* box : owner.findChildren<QMessageBox*>("report")) box->close();
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(desktop.openReports(), 0);
  desktop.report("MainTimer Error : 8018,  please email me  x");
  EXPECT_EQ(desktop.openReports(), 1) << "shown again once the user closed it";
}
