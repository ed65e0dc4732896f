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
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include "freqdir/core/freq_dir_core.h"

namespace scandeck {

class MainCore;

class FreqDir final : public QWidget {
  Q_OBJECT
 public:
  FreqDir(MainCore& core, QWidget* main_window);

  void BankCmb_Click();
  void ChTimer_Timer();
  void FreqList_Select(int row);
  void FreqBox_Click();
  void SaveImg_Click();
  void DeleteImg_Click();
  void OkCmd_Click();
  void CancelCmd_Click() { close(); }
  FreqDirCore& core() { return dir_; }
  QTimer& chTimer() { return ChTimer; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void render();

  MainCore& main_;
  QWidget* main_window_;
  FreqDirCore dir_;
  int shown_version_ = -1;
  // Closing hides the window, and the bank list's focus-out would then count as a choice.
  bool closing_ = false;

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
  QTimer ChTimer;
};

}  // namespace scandeck
