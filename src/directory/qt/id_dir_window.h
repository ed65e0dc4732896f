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
#include <QToolButton>

#include "directory/core/batch_read.h"
#include "directory/core/id_dir_core.h"
#include "directory/qt/directory_widgets.h"
#include "directory/qt/directory_window.h"

namespace scandeck {

class IDdir final : public DirectoryWindow {
  Q_OBJECT
 public:
  IDdir(ReadLink link, Desktop& desktop, const Clock& clock, IdDirectory& dir, RecordFile& file, QWidget* main_window);

  void BankCmb_Click() { IDBankCmb->setFocus(); }
  // Chooses bank 1..10 and leaves the ID bank to the user.
  void showBank(int bank);
  void IDBankCmb_Click();
  void IDTimer_Timer();
  void IDList_Select(int row);
  void TypeCmb_Click() { NameBox->setFocus(); }
  void NameBox_Change();
  void SaveImg_Click();
  void DeleteImg_Click();
  void OkCmd_Click();
  void CancelCmd_Click() { close(); }
  // "Read the whole trunk bank": the ten ID banks of the chosen bank, one after another.
  void ReadAllCmd_Click();
  void CancelReadCmd_Click();
  IdDirCore& core() { return dir_; }
  BatchRead& batch() { return batch_; }
  QTimer& idTimer() { return readTimer_; }

 protected:
  void endRead() override {
    batch_.cancel();
    dir_.Close();
  }

 private:
  void syncLists();
  IdPanel typedPanel() const;
  void render();

  GatheredReports reports_;
  IdDirCore dir_;
  IdBankRead bank_read_{dir_};
  BatchRead batch_{bank_read_, reports_, "ID bank"};
  int shown_version_ = -1;
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
  directory_ui::BatchControls batchUi_;
};

}  // namespace scandeck
