// A user's session with the simulated scanner over a pseudo-terminal: read bank 3
// and ID bank 3 of bank 2, name an entry in each, OK, start again, and the names
// are in the grids and on the main display when the scanner reports them. The
// windows' own controls (titles, the read-only boxes, names for a screen reader,
// Cancel) are checked on the way.
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <functional>

#include "directory/qt/freq_dir_window.h"
#include "directory/qt/id_dir_window.h"
#include "link/qt/qt_serial_port.h"
#include "support/accessible_names.h"
#include "sim/core/demo_plan.h"
#include "sim/core/sim_fixture.h"
#include "support/pty_session.h"
#include "support/pty_scanner.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "ui/qt/main_window.h"

using namespace scandeck;
using scandeck::testing::WaitUntil;

namespace {

struct Session : scandeck::testing::PtySession {
  using PtySession::PtySession;
  ~Session() { main.close(); }
  FreqDir* freqDir() {
    main.findChild<QAction*>("EditMemories")->trigger();
    return main.findChild<FreqDir*>("FreqDir");
  }
  IDdir* idDir() {
    main.findChild<QAction*>("EditIDdir")->trigger();
    QApplication::processEvents();  // the entry runs after its trigger returns
    return main.findChild<IDdir*>("IDdir");
  }
};

QString Cell(QTableWidget* grid, int row, int column) {
  auto* item = grid->item(row, column);
  return item ? item->text() : QString();
}

}  // namespace

TEST(DirectoryEndToEnd, ReadNameOkRestartAndTheNamesAreShown) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  sim::SimulatorOptions options = sim::QuietOptions(5);
  // The trunked system lives in bank 2 for this user.
  options.memories.systems[2] = options.memories.systems[sim::kDemoTrunkBank];
  options.memories.systems[sim::kDemoTrunkBank].present = false;
  options.memories.trunk_bank = 2;
  sim::PtyScanner scanner(folder.path(), options);
  if (!scanner.ok()) GTEST_SKIP() << "no pseudo-terminal here: " << scanner.error();
  std::ofstream(folder.filePath("scandeck.ini").toStdString(), std::ios::binary)
      << "[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n";

  {
    Session s(folder.path());
    ASSERT_TRUE(s.core.port().isOpen());
    FreqDir* freq = s.freqDir();
    EXPECT_EQ(freq->windowTitle(), "Freq. Directory - ScanDeck");
    EXPECT_FALSE(freq->isModal());
    int controls = 0;
    EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(freq, controls), std::vector<std::string>{});
    QTest::mouseClick(freq->findChild<QLineEdit*>("FreqBox"), Qt::LeftButton);
    EXPECT_EQ(s.desktop.events.back(), "warn Coming soon...: At this time you can't change Freq");
    freq->findChild<QRadioButton*>("Option1")->setChecked(true);
    freq->findChild<QComboBox*>("BankCmb")->setCurrentText("3");
    freq->BankCmb_Click();
    EXPECT_EQ(freq->chTimer().interval(), 175);
    EXPECT_TRUE(freq->findChild<QWidget*>("WaitLbl")->isVisibleTo(freq));
    ASSERT_TRUE(WaitUntil([&] { return !freq->core().reading(); }, 8000));
    auto* grid = freq->findChild<QTableWidget*>("FreqList");
    EXPECT_EQ(Cell(grid, 0, 0) + " " + Cell(grid, 0, 1), "61 156.0500");
    EXPECT_EQ(Cell(grid, 29, 0), "90");
    grid->setCurrentCell(1, 0);
    freq->findChild<QComboBox*>("TypeCmb")->setEditText("CTG");
    freq->findChild<QLineEdit*>("NameBox")->setText("Coast Guard");
    freq->findChild<QToolButton*>("SaveImg")->click();
    freq->OkCmd_Click();

    IDdir* ids = s.idDir();
    EXPECT_EQ(s.desktop.events.back(), std::string("message: ") + kIdDirectoryInstructions);
    EXPECT_EQ(ids->windowTitle(), "ID Directory");
    EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(ids, controls), std::vector<std::string>{});
    QTest::mouseClick(ids->findChild<QLineEdit*>("IDBox"), Qt::LeftButton);
    EXPECT_EQ(s.desktop.events.back(), "warn Coming soon...: At this time you can't change ID!");
    ids->findChild<QRadioButton*>("Option1")->setChecked(true);
    ids->findChild<QComboBox*>("BankCmb")->setCurrentText("2");
    ids->findChild<QComboBox*>("IDBankCmb")->setCurrentText("3");
    ids->IDBankCmb_Click();
    auto* id_grid = ids->findChild<QTableWidget*>("IDList");
    ASSERT_TRUE(WaitUntil([&] { return ids->core().inputBlocked(); }, 8000));
    EXPECT_FALSE(id_grid->isEnabled()) << "no input during the pause";
    ASSERT_TRUE(WaitUntil([&] { return !ids->core().reading(); }, 8000));
    EXPECT_TRUE(id_grid->isEnabled());
    EXPECT_EQ(Cell(id_grid, 1, 0) + " " + Cell(id_grid, 1, 1), "3-2 500-03");
    id_grid->setCurrentCell(1, 0);
    auto* name = ids->findChild<QPlainTextEdit*>("NameBox");
    name->setPlainText("Hospital Net\n");  // the name, then Enter
    ids->OkCmd_Click();
    EXPECT_TRUE(s.core.poll().enabled());
    for (const auto& e : s.desktop.events) EXPECT_EQ(e.find("did not answer"), std::string::npos) << e;
  }

  Session s(folder.path());
  FreqDir* freq = s.freqDir();
  freq->findChild<QComboBox*>("BankCmb")->setCurrentText("3");
  freq->BankCmb_Click();
  EXPECT_EQ(Cell(freq->findChild<QTableWidget*>("FreqList"), 1, 3), "Coast Guard");
  IDdir* ids = s.idDir();
  ids->findChild<QComboBox*>("BankCmb")->setCurrentText("2");
  ids->findChild<QComboBox*>("IDBankCmb")->setCurrentText("3");
  ids->IDBankCmb_Click();
  EXPECT_EQ(Cell(ids->findChild<QTableWidget*>("IDList"), 1, 3), "Hospital Net");
  const std::string saved = scandeck::testing::Slurp(folder.filePath("idbank.dat").toStdString());
  s.core.ids().find(2, 25)->name = "Not written";
  ids->findChild<QPushButton*>("CancelCmd")->click();
  EXPECT_EQ(scandeck::testing::Slurp(folder.filePath("idbank.dat").toStdString()), saved) << "Cancel writes nothing";
  freq->close();

  s.core.ChannelBox_Enter("62");
  EXPECT_TRUE(WaitUntil([&] { return s.core.status().ChannelName == "Coast Guard"; }, 3000)) << s.core.status().ChannelName;
  s.core.link().Send("KEY13");
  ASSERT_TRUE(WaitUntil([&] { return s.core.status().TrunkBank == "2"; }, 4000)) << s.core.status().TrunkBank;
  s.core.IDChannelBoxII_Enter("3", "2");
  EXPECT_TRUE(WaitUntil([&] { return s.core.status().IdChannelName == "Hospital Net"; }, 4000))
      << s.core.status().IdChannelName;
}

// "Read all banks" at 9600 baud: the window's Cancel part-way writes nothing; a
// whole batch fills the directory, and OK writes all of bank.dat.
TEST(DirectoryEndToEnd, ReadAllBanksThenCancelOrOk) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  sim::PtyScanner scanner(folder.path(), sim::QuietOptions(5));
  if (!scanner.ok()) GTEST_SKIP() << "no pseudo-terminal here: " << scanner.error();
  std::ofstream(folder.filePath("scandeck.ini").toStdString(), std::ios::binary)
      << "[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n";
  const std::string bank_dat = folder.filePath("bank.dat").toStdString();
  for (const bool ok : {false, true}) {
    Session s(folder.path());
    FreqDir* freq = s.freqDir();
    auto* bar = freq->findChild<QProgressBar*>("ReadAllBar");
    int controls = 0;
    EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(freq, controls), std::vector<std::string>{});
    QElapsedTimer timer;
    timer.start();
    freq->findChild<QPushButton*>("ReadAllCmd")->click();
    EXPECT_TRUE(freq->findChild<QRadioButton*>("Option1")->isChecked()) << "the banks come from the scanner";
    if (!ok) {
      ASSERT_TRUE(WaitUntil([&] { return freq->batch().progress() == 2; }, 8000));
      EXPECT_EQ(bar->format(), "Bank 3 of 10");
      EXPECT_TRUE(bar->accessibleName().contains("Bank 3 of 10"));
      freq->findChild<QPushButton*>("CancelCmd")->click();
      EXPECT_TRUE(s.core.poll().enabled());
      EXPECT_EQ(scandeck::testing::Slurp(bank_dat), "") << "the window's Cancel writes nothing";
      continue;
    }
    ASSERT_TRUE(WaitUntil([&] { return !freq->batch().running(); }, 60000));
    std::cout << "[ measure ] Read all banks, 9600 baud: " << timer.elapsed() << " ms" << std::endl;
    EXPECT_EQ(bar->format(), "Done: 10 of 10 read");
    auto* grid = freq->findChild<QTableWidget*>("FreqList");
    EXPECT_EQ(Cell(grid, 29, 0), "300");
    EXPECT_EQ(s.core.freq()[61].frequency, "156.0500");
    EXPECT_TRUE(s.core.poll().enabled());
    for (const auto& e : s.desktop.events) EXPECT_EQ(e.find("did not answer"), std::string::npos) << e;
    freq->findChild<QPushButton*>("OkCmd")->click();
    const std::string written = scandeck::testing::Slurp(bank_dat);
    ASSERT_EQ(written.size(), 300 * kFreqRecordLength);
    for (int n : {1, 61, 300}) {
      const FreqChannel c = DecodeFreqRecord(written.substr((n - 1) * kFreqRecordLength, kFreqRecordLength), '.');
      EXPECT_EQ(c.frequency, s.core.freq()[n].frequency) << n;
    }
  }
}
