#pragma once
// The setup window: port, speed and the user's name.
#include <QDialog>
#include <functional>

#include "app/core/setup.h"

class QButtonGroup;
class QLineEdit;
class QPlainTextEdit;

namespace scandeck {

class ClickLabel;

class Start : public QDialog {
  Q_OBJECT
 public:
  // `confirm` stores the choice; it ends the process when it succeeds.
  Start(const SetupChoice& current, std::function<void(const SetupChoice&)> confirm, QWidget* parent = nullptr);

  SetupChoice choice() const;

  void OKlbl_Click();
  void CancelCmd_Click();

 private:
  std::function<void(const SetupChoice&)> confirm_;
  QLineEdit* UserNameBox;
  QPlainTextEdit* Text1;
  QButtonGroup* Options;
  QButtonGroup* options2;
  ClickLabel* OKlbl;
  ClickLabel* CancelCmd;
};

class MainCore;
// Shows the setup window modally for the current settings; its OK hands the
// choice to the core, which writes it and ends the process.
void RunSetupWindow(MainCore& core, QWidget* parent);

}  // namespace scandeck
