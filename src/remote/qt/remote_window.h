#pragma once
// "Remote": whether the page is served, where, with which password and whether it
// may press keys, the address to open on a phone and a status line. Not modal; OK
// hands the settings on (saved to remote.ini and used at once), Cancel and Escape
// close it unchanged.
#include <QDialog>
#include <functional>

#include "remote/core/remote_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace scandeck {

class RemoteWindow final : public QDialog {
  Q_OBJECT
 public:
  struct Callbacks {
    std::function<QString(const RemoteSettings&)> apply;  // why it failed, or empty
    std::function<QString()> status;                      // the status line
    std::function<QStringList()> lanAddresses;            // this machine's, for a phone
  };
  RemoteWindow(RemoteSettings settings, Callbacks callbacks, QWidget* parent = nullptr);

  void ShowRemote(const RemoteSettings& settings);
  void OkCmd_Click();
  void refresh();
  // The settings as the controls say; a typed password is hashed here, so only
  // its hash ever leaves the window.
  RemoteSettings form() const;

 private:
  RemoteSettings settings_;
  Callbacks callbacks_;
  QString apply_error_;
  QCheckBox* ServeChk;
  QComboBox* AddressCmb;
  QSpinBox* PortBox;
  QLineEdit* PasswordBox;
  QCheckBox* NoPasswordChk;
  QCheckBox* ControlChk;
  QLineEdit* PhoneBox;
  QLabel* StatusLbl;
  QPushButton* OkCmd;
  QPushButton* CancelCmd;
  QTimer* refresh_;
};

}  // namespace scandeck
