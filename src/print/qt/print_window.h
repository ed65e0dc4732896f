#pragma once
// "ScanDeck - Print List...": one bank of either directory on one page. Not modal;
// stays open after printing until Cancel or the close box.
#include <QWidget>
#include <functional>
#include <string>

#include "print/core/print_form.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class QLabel;

namespace scandeck {

class ClickLabel;
class Desktop;
class FreqDirectory;
class IdDirectory;
class Printers;

class PrintFrm final : public QWidget {
  Q_OBJECT
 public:
  PrintFrm(const FreqDirectory& freq, const IdDirectory& ids, const std::string& user_name, Desktop& desktop,
           Printers& printers, QWidget* parent = nullptr);

  void FreqOption_Click();
  void IDOption_Click();
  void NbDeCopieBox_Change();
  void VScrollCopie_Change();
  void PrintCmd_Click();
  void CancelCmd_Click() { close(); }

  // Asks for the PDF file when there is no printer; a dialog unless a test replaces it.
  std::function<QString()> askPdfFile;

 private:
  void render();

  const FreqDirectory& freq_;
  const IdDirectory& ids_;
  std::string user_name_;
  Desktop& desktop_;
  Printers& printers_;
  PrintFormCore form_;
  QRadioButton* FreqOption;
  QRadioButton* IDOption;
  QComboBox* FreqBankCmb;
  QComboBox* IDBankCmb;
  QLabel* InfoLbl;
  QComboBox* CmbImprimante;
  QLineEdit* NbDeCopieBox;
  QScrollBar* VScrollCopie;
  ClickLabel* PrintCmd;
  ClickLabel* CancelCmd;
};

}  // namespace scandeck
