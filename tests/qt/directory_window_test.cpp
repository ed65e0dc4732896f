// The two directory windows as a user meets them: opened from the menu, read from
// a fake port or from the simulated scanner over a pseudo-terminal, edited, saved.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/qt/twips.h"
#include "directory/qt/freq_dir_window.h"
#include "directory/qt/id_dir_window.h"
#include "link/qt/qt_serial_port.h"
#include "sim/core/simulator.h"
#include "sim/tool/pty_bridge.h"
#include "support/accessible_names.h"
#include "support/app.h"
#include "support/wait_until.h"
#include "ui/qt/main_window.h"

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
  auto& [folder, port, desktop, core_ptr, main_ptr] = app;
  MainCore& core = *core_ptr;
  MainWindow& main = *main_ptr;
  main.findChild<QAction*>("EditMemories")->trigger();
  auto* w = main.findChild<FreqDir*>("FreqDir");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible() && !w->isModal());
  EXPECT_EQ(w->windowTitle(), "Freq. Directory - ScanDeck");

  auto* grid = Child<QTableWidget>(w, "FreqList");
  EXPECT_EQ(grid->columnCount(), 10);
  EXPECT_EQ(grid->horizontalHeaderItem(4)->text(), "Dly");
  EXPECT_EQ(grid->columnWidth(3), Px(w, 2500));
  for (int c : {7, 8, 9}) EXPECT_TRUE(grid->isColumnHidden(c));
  EXPECT_TRUE(Child<QRadioButton>(w, "Option2")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(w, "WriteFileChk")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(w, "WriteScannerChk")->isEnabled());
  auto* types = Child<QComboBox>(w, "TypeCmb");
  ASSERT_EQ(types->count(), 17);
  EXPECT_EQ(types->itemText(0) + types->itemText(13) + types->itemText(16), "AIRTRKUTY");
  EXPECT_EQ(Child<QLineEdit>(w, "NameBox")->maxLength(), 40);
  EXPECT_FALSE(Child<QLabel>(w, "WaitLbl")->isVisible());
  int controls = 0;
  EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(w, controls), std::vector<std::string>{});

  QTest::mouseClick(Child<QLineEdit>(w, "FreqBox"), Qt::LeftButton);
  EXPECT_EQ(desktop.events.back(), "warn Coming soon...: At this time you can't change Freq");

  // Bank 2 from the scanner, on the window's own timer.
  Child<QRadioButton>(w, "Option1")->setChecked(true);
  auto* bank = Child<QComboBox>(w, "BankCmb");
  bank->setCurrentText("2");
  w->BankCmb_Click();
  EXPECT_TRUE(w->chTimer().isActive());
  EXPECT_EQ(w->chTimer().interval(), 175);
  EXPECT_FALSE(core.poll().enabled());
  EXPECT_TRUE(Child<QLabel>(w, "WaitLbl")->isVisibleTo(w));
  for (int n = 31; n <= 60; ++n) port.incoming += "C0" + std::to_string(n) + " F01543700 TF DN LF\r";
  ASSERT_TRUE(WaitUntil([&] { return !w->core().reading(); }, 3000));
  EXPECT_TRUE(core.poll().enabled());
  EXPECT_FALSE(w->chTimer().isActive());
  EXPECT_EQ(grid->rowCount(), 31) << "30 channels and the empty last row";
  EXPECT_EQ(grid->horizontalHeaderItem(4)->text(), "DLY");
  EXPECT_EQ(Cell(grid, 0, 0) + " " + Cell(grid, 0, 1) + " " + Cell(grid, 0, 4), "31 154.3700 =");

  grid->setFocus();
  grid->setCurrentCell(1, 3);
  QTest::keyClick(grid, Qt::Key_Return);
  EXPECT_EQ(Child<QLineEdit>(w, "ChBox")->text(), "32");
  EXPECT_TRUE(Child<QLineEdit>(w, "NameBox")->hasFocus());
  types->setEditText("COM");
  Child<QLineEdit>(w, "NameBox")->setText("Taxi Dispatch");
  Child<QToolButton>(w, "SaveImg")->click();
  EXPECT_EQ(Cell(grid, 1, 2) + "|" + Cell(grid, 1, 3), "COM|Taxi Dispatch");
  EXPECT_EQ(core.freq()[32].name, "Taxi Dispatch");
  EXPECT_NE(scandeck::testing::Slurp(folder.file("bank.dat")).find("32 01543700COMTaxi Dispatch"), std::string::npos);

  // Closing during a read gives the link back.
  bank->setCurrentText("3");
  w->BankCmb_Click();
  port.written.clear();
  QPointer<FreqDir> gone = w;
  Child<QPushButton>(w, "CancelCmd")->click();
  QApplication::processEvents();
  EXPECT_TRUE(gone.isNull() || !gone->isVisible());
  EXPECT_EQ(port.commands(), std::vector<std::string>{"QUN"});
  EXPECT_TRUE(core.poll().enabled());
  EXPECT_TRUE(main.isVisible());
}

TEST(IDdirWindow, InstructionsReadWithAPauseOkWritesCancelDoesNot) {
  scandeck::testing::App app;
  app.load();
  auto& [folder, port, desktop, core_ptr, main_ptr] = app;
  MainCore& core = *core_ptr;
  MainWindow& main = *main_ptr;
  desktop.events.clear();
  main.findChild<QAction*>("EditIDdir")->trigger();
  QApplication::processEvents();  // the entry runs after its trigger returns
  ASSERT_FALSE(desktop.events.empty());
  EXPECT_EQ(desktop.events[0], std::string("message: ") + kIdDirectoryInstructions);
  auto* w = main.findChild<IDdir*>("IDdir");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "ID Directory");
  auto* grid = Child<QTableWidget>(w, "IDList");
  EXPECT_EQ(grid->columnCount(), 7);
  EXPECT_EQ(grid->columnWidth(3), Px(w, 3000));
  EXPECT_EQ(grid->horizontalHeaderItem(5)->text(), "Mode");
  int controls = 0;
  EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(w, controls), std::vector<std::string>{});
  QTest::mouseClick(Child<QLineEdit>(w, "IDBox"), Qt::LeftButton);
  EXPECT_EQ(desktop.events.back(), "warn Coming soon...: At this time you can't change ID!");

  Child<QRadioButton>(w, "Option1")->setChecked(true);
  Child<QComboBox>(w, "BankCmb")->setCurrentText("2");
  Child<QComboBox>(w, "IDBankCmb")->setCurrentText("1");
  port.written.clear();
  w->IDBankCmb_Click();
  EXPECT_EQ(port.commands(), (std::vector<std::string>{"QUF", "IDF", "TB"}));
  EXPECT_FALSE(Child<QLabel>(w, "SystemLbl")->isVisibleTo(w));
  port.incoming = "TB B METRO 800 \r";
  for (char d = '0'; d <= '9'; ++d) port.incoming += std::string("IC A") + d + " 04-02" + d + "\r";
  ASSERT_TRUE(WaitUntil([&] { return w->core().inputBlocked(); }, 1000));
  EXPECT_FALSE(Child<QTableWidget>(w, "IDList")->isEnabled()) << "no input during the pause";
  EXPECT_GT(w->idTimer().interval(), 1000) << "the timer waits the pause itself";
  ASSERT_TRUE(WaitUntil([&] { return !w->core().reading(); }, 4000));
  EXPECT_TRUE(grid->isEnabled());
  EXPECT_TRUE(core.poll().enabled());
  EXPECT_EQ(Cell(grid, 9, 0) + " " + Cell(grid, 9, 1), "1-10 04-020");
  EXPECT_EQ(Child<QLabel>(w, "SystemLbl")->text(), " METRO 800");

  const std::string before = scandeck::testing::Slurp(folder.file("idbank.dat"));
  grid->setCurrentCell(2, 0);
  auto* name = Child<QPlainTextEdit>(w, "NameBox");
  name->setFocus();
  QTest::keyClicks(name, "Police");
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(name->toPlainText(), "Police");
  EXPECT_EQ(Cell(grid, 2, 3), "Police");
  EXPECT_EQ(core.ids().at(2, 3).name, "Police");
  const std::string saved = scandeck::testing::Slurp(folder.file("idbank.dat"));
  EXPECT_NE(saved, before);
  core.ids().find(2, 4)->name = "Not written";
  Child<QPushButton>(w, "CancelCmd")->click();
  EXPECT_EQ(scandeck::testing::Slurp(folder.file("idbank.dat")), saved) << "Cancel writes nothing";
}
