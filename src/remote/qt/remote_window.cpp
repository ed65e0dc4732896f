#include "remote/qt/remote_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "common/qt/controls.h"
#include "common/qt/pictures.h"
#include "common/qt/qt_text.h"
#include "remote/core/remote_guard.h"

namespace scandeck {

namespace {
constexpr int kRefreshMs = 500;

template <typename Control>
Control* Named(Control* control, const char* name, const QString& accessible) {
  control->setObjectName(name);
  control->setAccessibleName(accessible);
  return control;
}
}  // namespace

RemoteWindow::RemoteWindow(RemoteSettings settings, Callbacks callbacks, QWidget* parent)
    : QDialog(parent), settings_(std::move(settings)), callbacks_(std::move(callbacks)) {
  setObjectName("Remote");
  setWindowTitle("Remote");
  setWindowIcon(QIcon(pictures::AppIcon(64)));

  ServeChk = new QCheckBox("&Serve the page to a browser", this);
  ServeChk->setObjectName("ServeChk");
  auto* form = new QFormLayout;
  AddressCmb = Named(new QComboBox(this), "AddressCmb", "Address");
  AddressCmb->setEditable(true);
  Named(AddressCmb->lineEdit(), "AddressBox", "Address");
  auto* addressLabel = new QLabel("&Address:");
  addressLabel->setBuddy(AddressCmb);
  form->addRow(addressLabel, AddressCmb);
  PortBox = Named(new QSpinBox(this), "PortBox", "Port");
  PortBox->setRange(1, 65535);
  auto* portLabel = new QLabel("&Port:");
  portLabel->setBuddy(PortBox);
  form->addRow(portLabel, PortBox);
  PasswordBox = Named(new SpokenBox(this), "PasswordBox", "New password, empty keeps the one set");
  PasswordBox->setEchoMode(QLineEdit::Password);
  auto* passwordLabel = new QLabel("&New password:");
  passwordLabel->setBuddy(PasswordBox);
  form->addRow(passwordLabel, PasswordBox);
  NoPasswordChk = new QCheckBox("&Remove the password", this);
  NoPasswordChk->setObjectName("NoPasswordChk");
  form->addRow(NoPasswordChk);
  ControlChk = new QCheckBox("Allow &keys from the page", this);
  ControlChk->setObjectName("ControlChk");
  form->addRow(ControlChk);
  PhoneBox = Named(new SpokenBox(this), "PhoneBox", "Open on a phone");
  PhoneBox->setReadOnly(true);
  auto* phoneLabel = new QLabel("Open on a p&hone:");
  phoneLabel->setBuddy(PhoneBox);
  form->addRow(phoneLabel, PhoneBox);

  StatusLbl = new QLabel(this);
  StatusLbl->setObjectName("StatusLbl");
  StatusLbl->setWordWrap(true);
  StatusLbl->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  OkCmd = new QPushButton("OK", this);
  OkCmd->setObjectName("OkCmd");
  OkCmd->setAccessibleName("OK, save these settings and use them now");
  OkCmd->setDefault(true);
  CancelCmd = new QPushButton("Cancel", this);
  CancelCmd->setObjectName("CancelCmd");
  connect(OkCmd, &QPushButton::clicked, this, &RemoteWindow::OkCmd_Click);
  connect(CancelCmd, &QPushButton::clicked, this, &QDialog::reject);
  connect(AddressCmb, &QComboBox::currentTextChanged, this, &RemoteWindow::refresh);
  connect(PortBox, &QSpinBox::valueChanged, this, &RemoteWindow::refresh);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ServeChk);
  layout->addLayout(form);
  layout->addWidget(StatusLbl);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkCmd);
  buttons->addWidget(CancelCmd);
  layout->addLayout(buttons);
  setMinimumWidth(460);

  refresh_ = new QTimer(this);
  refresh_->setInterval(kRefreshMs);
  connect(refresh_, &QTimer::timeout, this, &RemoteWindow::refresh);
}

RemoteSettings RemoteWindow::form() const {
  RemoteSettings s = settings_;
  s.enabled = ServeChk->isChecked();
  const QString address = AddressCmb->currentText().section(' ', 0, 0).trimmed();
  const RemoteSettings parsed = ReadRemoteText("web_address=" + FromQt(address));
  s.address = parsed.address;
  s.port = static_cast<std::uint16_t>(PortBox->value());
  if (NoPasswordChk->isChecked()) s.passwordHash.clear();
  else if (!PasswordBox->text().isEmpty()) s.passwordHash = HashPassword(PasswordBox->text().toStdString());
  s.control = ControlChk->isChecked();
  return s;
}

void RemoteWindow::ShowRemote(const RemoteSettings& settings) {
  settings_ = settings;
  ServeChk->setChecked(settings.enabled);
  AddressCmb->clear();
  AddressCmb->addItem("127.0.0.1 (this computer only)");
  AddressCmb->addItem("0.0.0.0 (every network of this computer)");
  if (callbacks_.lanAddresses) AddressCmb->addItems(callbacks_.lanAddresses());
  const int found = AddressCmb->findText(ToQt(settings.address), Qt::MatchStartsWith);
  if (found >= 0) AddressCmb->setCurrentIndex(found);
  else AddressCmb->setEditText(ToQt(settings.address));
  PortBox->setValue(settings.port);
  PasswordBox->clear();
  NoPasswordChk->setChecked(false);
  ControlChk->setChecked(settings.control);
  apply_error_.clear();
  refresh();
  refresh_->start();
  show();
  raise();
  activateWindow();
}

void RemoteWindow::OkCmd_Click() {
  const RemoteSettings s = form();
  if (!PasswordBox->text().isEmpty() && !NoPasswordChk->isChecked() && s.passwordHash.empty()) {
    apply_error_ = "the password could not be hashed";
    refresh();
    return;
  }
  apply_error_ = callbacks_.apply ? callbacks_.apply(s) : QString();
  if (apply_error_.isEmpty()) {
    accept();
    return;
  }
  refresh();
}

void RemoteWindow::refresh() {
  const QString address = AddressCmb->currentText().section(' ', 0, 0).trimmed();
  QString host = address;
  if (!IsLoopbackAddress(FromQt(address)) && (address == "0.0.0.0" || address == "::")) {
    const QStringList lan = callbacks_.lanAddresses ? callbacks_.lanAddresses() : QStringList();
    host = lan.isEmpty() ? QString() : lan.first();
  }
  const QString phone = IsLoopbackAddress(FromQt(address))
                            ? QString("this computer only: http://%1:%2/").arg(address).arg(PortBox->value())
                        : host.isEmpty() ? QString("no network address found")
                                         : QString("http://%1:%2/").arg(host).arg(PortBox->value());
  if (PhoneBox->text() != phone) PhoneBox->setText(phone);
  QString status = callbacks_.status ? callbacks_.status() : QString();
  if (!apply_error_.isEmpty()) status = "Not saved: " + apply_error_ + " | " + status;
  if (StatusLbl->text() != status) {
    StatusLbl->setText(status);
    StatusLbl->setAccessibleName("Status: " + status);
  }
}

}  // namespace scandeck
