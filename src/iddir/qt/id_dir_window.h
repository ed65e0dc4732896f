#pragma once
// "ID Directory": one ID bank (ten talkgroups) of one trunked bank, read from the
// file or the scanner, each talkgroup typed and named.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include "iddir/core/id_dir_core.h"

namespace scandeck {

class MainCore;

class IDdir final : public QWidget {
  Q_OBJECT
 public:
  IDdir(MainCore& core, const Clock& clock, QWidget* main_window);

  void BankCmb_Click() { IDBankCmb->setFocus(); }
  void IDBankCmb_Click();
  void IDTimer_Timer();
  void IDList_Select(int row);
  void TypeCmb_Click() { NameBox->setFocus(); }
  void NameBox_Change();
  void IDBox_Click();
  void SaveImg_Click();
  void DeleteImg_Click();
  void OkCmd_Click();
  void CancelCmd_Click() { close(); }
  IdDirCore& core() { return dir_; }
  QTimer& idTimer() { return IDTimer; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void syncLists();
  IdPanel typedPanel() const;
  void render();

  MainCore& main_;
  QWidget* main_window_;
  IdDirCore dir_;
  int shown_version_ = -1;
  // Closing hides the window, and the bank list's focus-out would then count as a choice.
  bool closing_ = false;
  bool changing_name_ = false;

  QWidget* content_;
  QComboBox* BankCmb;
  QComboBox* IDBankCmb;
  QTableWidget* IDList;
  QRadioButton* Option1;
  QRadioButton* Option2;
  QCheckBox* WriteFileChk;
  QCheckBox* WriteScannerChk;
  QLineEdit* ChBox;
  QLineEdit* IDBox;
  QComboBox* TypeCmb;
  QPlainTextEdit* NameBox;
  QToolButton* SaveImg;
  QToolButton* DeleteImg;
  QLabel* TypeLbl;
  QLabel* SystemLbl;
  QLabel* WaitLbl;
  QPushButton* OkCmd;
  QPushButton* CancelCmd;
  QTimer IDTimer;
};

}  // namespace scandeck
