// The two directory windows' wiring on a port in memory: opened from the menu, reads
// on their own timers, the grid, the boxes and the buttons reaching the core. The
// read and save rules are the directory cores'; the whole round trip against the
// simulated scanner is DirectoryEndToEnd's.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "directory/qt/freq_dir_window.h"
#include "directory/qt/id_dir_window.h"
#include "support/accessible_names.h"
#include "support/app.h"
#include "support/wait_until.h"

using namespace scandeck;
using scandeck::testing::WaitUntil;

namespace {

template <typename T>
T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

QString Cell(QTableWidget* grid, int row, int column) {
  auto* item = grid->item(row, column);
  return item ? item->text() : QString();
}

}  // namespace

TEST(FreqDirWindow, ControlsReadSaveAndClose) {
  scandeck::testing::App app;
  app.load();
  app.action("EditMemories")->trigger();
  auto* w = app.find<FreqDir>("FreqDir");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible() && !w->isModal());
  EXPECT_EQ(w->windowTitle(), "Freq. Directory - ScanDeck");
  EXPECT_TRUE(Child<QRadioButton>(w, "Option2")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(w, "WriteFileChk")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(w, "WriteScannerChk")->isEnabled());
  EXPECT_FALSE(Child<QLabel>(w, "WaitLbl")->isVisible());
  int controls = 0;
  EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(w, controls), std::vector<std::string>{});
  QTest::mouseClick(Child<QLineEdit>(w, "FreqBox"), Qt::LeftButton);
  EXPECT_EQ(app.desktop.events.back(), "warn Coming soon...: At this time you can't change Freq");

  // Bank 2 from the scanner, on the window's own timer.
  Child<QRadioButton>(w, "Option1")->setChecked(true);
  auto* bank = Child<QComboBox>(w, "BankCmb");
  bank->setCurrentText("2");
  w->BankCmb_Click();
  EXPECT_TRUE(w->chTimer().isActive());
  EXPECT_EQ(w->chTimer().interval(), 175);
  EXPECT_TRUE(Child<QLabel>(w, "WaitLbl")->isVisibleTo(w));
  for (int n = 31; n <= 60; ++n) app.port.incoming += "C0" + std::to_string(n) + " F01543700 TF DN LF\r";
  ASSERT_TRUE(WaitUntil([&] { return !w->core().reading(); }, 3000));
  EXPECT_FALSE(w->chTimer().isActive());
  auto* grid = Child<QTableWidget>(w, "FreqList");
  EXPECT_EQ(grid->rowCount(), 31) << "30 channels and the empty last row";
  EXPECT_EQ(Cell(grid, 0, 0) + " " + Cell(grid, 0, 1) + " " + Cell(grid, 0, 4), "31 154.3700 =");

  grid->setFocus();
  grid->setCurrentCell(1, 3);
  QTest::keyClick(grid, Qt::Key_Return);
  EXPECT_EQ(Child<QLineEdit>(w, "ChBox")->text(), "32");
  EXPECT_TRUE(Child<QLineEdit>(w, "NameBox")->hasFocus());
  Child<QComboBox>(w, "TypeCmb")->setEditText("COM");
  Child<QLineEdit>(w, "NameBox")->setText("Taxi Dispatch");
  Child<QToolButton>(w, "SaveImg")->click();
  EXPECT_EQ(Cell(grid, 1, 2) + "|" + Cell(grid, 1, 3), "COM|Taxi Dispatch");
  EXPECT_EQ(app.core->freq()[32].name, "Taxi Dispatch");

  // Closing during a read gives the link back.
  bank->setCurrentText("3");
  w->BankCmb_Click();
  app.port.written.clear();
  QPointer<FreqDir> gone = w;
  Child<QPushButton>(w, "CancelCmd")->click();
  QApplication::processEvents();
  EXPECT_TRUE(gone.isNull() || !gone->isVisible());
  EXPECT_EQ(app.port.commands(), std::vector<std::string>{"QUN"});
  EXPECT_TRUE(app.core->poll().enabled());
}

TEST(IDdirWindow, InstructionsReadWithAPauseOkWritesCancelDoesNot) {
  scandeck::testing::App app;
  app.load().desktop.events.clear();
  app.action("EditIDdir")->trigger();
  QApplication::processEvents();  // the entry runs after its trigger returns
  ASSERT_FALSE(app.desktop.events.empty());
  EXPECT_EQ(app.desktop.events[0], std::string("message: ") + kIdDirectoryInstructions);
  auto* w = app.find<IDdir>("IDdir");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "ID Directory");
  int controls = 0;
  EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(w, controls), std::vector<std::string>{});
  QTest::mouseClick(Child<QLineEdit>(w, "IDBox"), Qt::LeftButton);
  EXPECT_EQ(app.desktop.events.back(), "warn Coming soon...: At this time you can't change ID!");

  Child<QRadioButton>(w, "Option1")->setChecked(true);
  Child<QComboBox>(w, "BankCmb")->setCurrentText("2");
  Child<QComboBox>(w, "IDBankCmb")->setCurrentText("1");
  w->IDBankCmb_Click();
  EXPECT_FALSE(Child<QLabel>(w, "SystemLbl")->isVisibleTo(w));
  app.port.incoming = "TB B METRO 800 \r";
  for (char d = '0'; d <= '9'; ++d) app.port.incoming += std::string("IC A") + d + " 04-02" + d + "\r";
  auto* grid = Child<QTableWidget>(w, "IDList");
  ASSERT_TRUE(WaitUntil([&] { return w->core().inputBlocked(); }, 1000));
  EXPECT_FALSE(grid->isEnabled()) << "no input during the pause";
  EXPECT_GT(w->idTimer().interval(), 1000) << "the timer waits the pause itself";
  ASSERT_TRUE(WaitUntil([&] { return !w->core().reading(); }, 4000));
  EXPECT_TRUE(grid->isEnabled());
  EXPECT_EQ(Cell(grid, 9, 0) + " " + Cell(grid, 9, 1), "1-10 04-020");
  EXPECT_EQ(Child<QLabel>(w, "SystemLbl")->text(), " METRO 800");

  grid->setCurrentCell(2, 0);
  auto* name = Child<QPlainTextEdit>(w, "NameBox");
  name->setFocus();
  QTest::keyClicks(name, "Police");
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(name->toPlainText(), "Police");
  EXPECT_EQ(Cell(grid, 2, 3), "Police");
  const std::string saved = scandeck::testing::Slurp(app.folder.file("idbank.dat"));
  EXPECT_EQ(DecodeIdRecord(saved.substr((IdRecordNumber(2, 3) - 1) * kIdRecordLength, kIdRecordLength)).name, "Police");
  app.core->ids().find(2, 4)->name = "Not written";
  Child<QPushButton>(w, "CancelCmd")->click();
  EXPECT_EQ(scandeck::testing::Slurp(app.folder.file("idbank.dat")), saved) << "Cancel writes nothing";
}
