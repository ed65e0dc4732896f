#pragma once
// The setup window: port, speed and the user's name; beside them, the device each
// port opens and the serial devices found, one of which the chosen port may be
// linked to.
#include <QDialog>
#include <functional>

#include "app/core/setup.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace scandeck {

class ClickLabel;

class Start : public QDialog {
  Q_OBJECT
 public:
  // `confirm` stores the choice; it ends the process when it succeeds.
  Start(const SetupChoice& current, const SetupPorts& ports, std::function<void(const SetupChoice&)> confirm,
        QWidget* parent = nullptr);

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
  std::vector<SerialDevice> offered_;
  QLabel* PortDevice[kSetupPorts + 1] = {};  // 1..4
  QListWidget* DeviceList;
  QLabel* DialoutHint;
  QLabel* HolderHint;
};

}  // namespace scandeck
