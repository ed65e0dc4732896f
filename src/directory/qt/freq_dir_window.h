#pragma once
// "Freq. Directory - ScanDeck": one bank of 30 channels, read from the file or
// the scanner, each channel typed and named.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>

#include "directory/core/batch_read.h"
#include "directory/core/freq_dir_core.h"
#include "directory/qt/directory_widgets.h"
#include "directory/qt/directory_window.h"

namespace scandeck {

class FreqDir final : public DirectoryWindow {
  Q_OBJECT
 public:
  FreqDir(ReadLink link, Desktop& desktop, FreqDirectory& dir, RecordFile& file, char decimal_separator,
          QWidget* main_window);

  void BankCmb_Click();
  // Chooses bank 1..10 as if the user had picked it.
  void showBank(int bank);
  void ChTimer_Timer();
  void FreqList_Select(int row);
  void SaveImg_Click();
  void DeleteImg_Click();
  void OkCmd_Click();
  void CancelCmd_Click() { close(); }
  // "Read all banks": banks 1 to 10 from the scanner, one after another.
  void ReadAllCmd_Click();
  void CancelReadCmd_Click();
  FreqDirCore& core() { return dir_; }
  BatchRead& batch() { return batch_; }
  QTimer& chTimer() { return readTimer_; }

 protected:
  void endRead() override {
    batch_.cancel();
    dir_.Close();
  }

 private:
  void render();

  GatheredReports reports_;
  FreqDirCore dir_;
  FreqBankRead bank_read_{dir_};
  BatchRead batch_{bank_read_, reports_, "Bank"};
  int shown_version_ = -1;

  QComboBox* BankCmb;
  QTableWidget* FreqList;
  QRadioButton* Option1;
  QRadioButton* Option2;
  QCheckBox* WriteFileChk;
  QCheckBox* WriteScannerChk;
  QLineEdit* ChBox;
  QLineEdit* FreqBox;
  QComboBox* TypeCmb;
  QLineEdit* NameBox;
  QToolButton* SaveImg;
  QToolButton* DeleteImg;
  QLabel* WaitLbl;
  QPushButton* OkCmd;
  QPushButton* CancelCmd;
  directory_ui::BatchControls batchUi_;
};

}  // namespace scandeck
