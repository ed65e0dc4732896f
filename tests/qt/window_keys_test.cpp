// Enter in a directory window's bank list is one choice: the list and its text box
// both report it, and the scanner must see one read.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

#include "common/core/clock.h"
#include "directory/qt/freq_dir_window.h"
#include "directory/qt/id_dir_window.h"
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
