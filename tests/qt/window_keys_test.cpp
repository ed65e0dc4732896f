// Keys in the secondary windows. Enter in a directory window's bank list is one
// choice: the list and its text box both report it, and the scanner must see one
// read. Tab leaves a table in one press (Shift+Tab comes back), the arrow keys move
// in it; Escape closes each window that is no dialog, a directory window as its
// Cancel does, writing nothing.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

#include "common/core/clock.h"
#include "directory/qt/freq_dir_window.h"
#include "directory/qt/id_dir_window.h"
#include "heard/qt/heard_window.h"
#include "import/qt/import_dialog.h"
#include "support/app.h"
#include "support/fake_desktop.h"
#include "support/fake_port.h"
#include "support/temp_dir.h"
#include "ui/core/main_core.h"

using namespace scandeck;

namespace {

long Count(const std::vector<std::string>& sent, const std::string& command) {
  return std::count(sent.begin(), sent.end(), command);
}

void TypeAndEnter(QWidget* window, const char* list, const char* text) {
  auto* box = window->findChild<QComboBox*>(list);
  ASSERT_NE(box, nullptr) << list;
  box->setFocus();
  box->lineEdit()->selectAll();
  QTest::keyClicks(box->lineEdit(), text);
  QTest::keyClick(box->lineEdit(), Qt::Key_Return);
}

}  // namespace

TEST(DirectoryKeys, EnterInTheBankListStartsOneRead) {
  scandeck::testing::TempDir folder;
  scandeck::testing::FakePort port;
  scandeck::testing::FakeDesktop desktop;
  MainCore core(port, desktop, folder.path.string(), '.');
  core.Form_Load();
  SteadyClock clock;
  {
    FreqDir freq(core.readLink(), core.desktop(), core.freq(), core.freqFile(), '.', nullptr);
    freq.show();
    freq.findChild<QRadioButton*>("Option1")->setChecked(true);
    port.written.clear();
    TypeAndEnter(&freq, "BankCmb", "3");
    EXPECT_EQ(Count(port.commands(), "QUF"), 1);
    TypeAndEnter(&freq, "BankCmb", "3");
    EXPECT_EQ(Count(port.commands(), "QUF"), 1) << "the read under way is the one asked for";
    freq.close();
  }
  {
    IDdir ids(core.readLink(), core.desktop(), clock, core.ids(), core.idFile(), nullptr);
    ids.show();
    ids.findChild<QRadioButton*>("Option1")->setChecked(true);
    ids.findChild<QComboBox*>("BankCmb")->setEditText("1");
    port.written.clear();
    TypeAndEnter(&ids, "IDBankCmb", "2");
    EXPECT_EQ(Count(port.commands(), "QUF"), 1);
    EXPECT_EQ(Count(port.commands(), "TB"), 1);
    ids.close();
  }
}

namespace {

// Shows `window` active, as a user meets it, so that Tab moves the focus.
void Activate(QWidget* window) {
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << window->objectName().toStdString();
}

}  // namespace

TEST(WindowKeys, TabLeavesEachTableInOnePressAndTheArrowsMoveInIt) {
  scandeck::testing::App app;
  app.load();
  HeardList& heard = app.window->heard().list();
  for (const char* id : {"04-023", "04-024", "04-025"}) {
    heard.talkgroupStarted("4", id);
    heard.talkgroupEnded("4", id);
  }
  std::string list = "Frequency Output,Description,Alpha Tag,Tag\n";
  for (int ch = 1; ch <= 3; ++ch) {
    app.core->freq()[ch].channel = ch;
    app.core->freq()[ch].frequency = "121.50" + std::to_string(ch) + "0";
    list += "121.50" + std::to_string(ch) + "0,Guard,GUARD" + std::to_string(ch) + ",Aircraft\n";
  }
  ImportContext context{app.core->freq(), app.core->freqFile(), app.core->ids(), app.core->idFile(),
                        app.folder.path.string(), '.', app.desktop, nullptr};
  ImportDialog preview(context, "list.csv", std::make_unique<TextSource>(list));
  FreqDir freq(app.core->readLink(), app.core->desktop(), app.core->freq(), app.core->freqFile(), '.', nullptr);
  freq.showBank(1);

  struct Case {
    QWidget* window;
    const char* table;
    const char* after;  // the control Tab reaches from the table
    int rows;           // at least
  };
  HeardWindow& heard_window = app.window->heard().show();
  heard_window.refresh();
  for (const Case& c : std::initializer_list<Case>{{&heard_window, "HeardTable", "AlertBtn", 3},
                                                   {&preview, "ChangesGrid", "ApplyCmd", 3},
                                                   {&freq, "FreqList", "Option2", 30}}) {
    SCOPED_TRACE(c.table);
    Activate(c.window);
    auto* table = c.window->findChild<QTableView*>(c.table);
    ASSERT_NE(table, nullptr);
    ASSERT_GE(table->model()->rowCount(), c.rows);
    table->setFocus();
    table->setCurrentIndex(table->model()->index(0, 1));
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Right);
    EXPECT_EQ(table->currentIndex().row(), 1) << "Down moves in the table";
    EXPECT_GT(table->currentIndex().column(), 1) << "Right moves in the table";
    QTest::keyClick(table, Qt::Key_Tab);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), c.after) << "one Tab leaves the table";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), table) << "Shift+Tab comes back";
    EXPECT_EQ(table->currentIndex().row(), 1) << "to the row it left";
    c.window->hide();
  }
}

// (Escape in the Heard and Integrations windows is in tests/a11y/orca_test.py.)
TEST(WindowKeys, EscapeClosesADirectoryWindowAsItsCancelDoesWritingNothing) {
  scandeck::testing::App app;
  app.load();
  const std::string before = scandeck::testing::Slurp(app.folder.file("bank.dat"));
  app.action("EditMemories")->trigger();
  QPointer<FreqDir> freq = app.window->findChild<FreqDir*>("FreqDir");
  ASSERT_NE(freq, nullptr);
  Activate(freq);
  // A channel named (OK would write its bank), a read of every bank begun: Escape
  // keeps none of it.
  freq->showBank(1);
  freq->FreqList_Select(1);
  freq->findChild<QLineEdit*>("NameBox")->setText("Changed");
  freq->SaveImg_Click();
  freq->ReadAllCmd_Click();
  freq->findChild<QComboBox*>("BankCmb")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_TRUE(!freq || !freq->isVisible()) << "Escape closed the window";
  EXPECT_EQ(scandeck::testing::Slurp(app.folder.file("bank.dat")), before) << "and wrote nothing";
  EXPECT_TRUE(app.core->poll().enabled()) << "the read ended with the window";
}
