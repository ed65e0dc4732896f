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

#include "directory/core/freq_dir_core.h"
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
  FreqDirCore& core() { return dir_; }
  QTimer& chTimer() { return readTimer_; }

 protected:
  void endRead() override { dir_.Close(); }

 private:
  void render();

  FreqDirCore dir_;
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
};

}  // namespace scandeck
