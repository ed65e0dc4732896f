#include "mqtt/qt/mqtt_part.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <utility>

#include "common/qt/qt_text.h"

namespace scandeck {

namespace {
QString Plain(QString caption) { return caption.remove('&').remove(QRegularExpression(":$")); }

template <typename T>
T* Field(QFormLayout* form, const QString& caption, const char* name, const QString& more = {}) {
  auto* field = new T;
  field->setObjectName(name);
  field->setAccessibleName(more.isEmpty() ? Plain(caption) : Plain(caption) + ", " + more);
  auto* label = new QLabel(caption);
  label->setBuddy(field);
  form->addRow(label, field);
  return field;
}

QCheckBox* Check(QFormLayout* form, const QString& caption, const char* name) {
  auto* box = new QCheckBox(caption);
  box->setObjectName(name);
  form->addRow(box);
  return box;
}
}  // namespace

MqttPart::MqttPart(std::function<QString()> status, QWidget* parent)
    : QGroupBox("MQTT broker", parent), status_(std::move(status)) {
  setObjectName("MqttPart");
  auto* form = new QFormLayout(this);
  MqttChk = Check(form, "Publish to an MQTT &broker", "MqttChk");
  MqttHostBox = Field<QLineEdit>(form, "Bro&ker:", "MqttHostBox", "host name or address");
  MqttPortBox = Field<QSpinBox>(form, "Broker &port:", "MqttPortBox");
  MqttPortBox->setRange(1, 65535);
  MqttVersionBox = Field<QComboBox>(form, "Protocol v&ersion:", "MqttVersionBox");
  MqttVersionBox->addItems({"MQTT 3.1.1", "MQTT 5"});
  MqttTlsChk = Check(form, "Use TLS (encr&ypted)", "MqttTlsChk");
  MqttCaBox = Field<QLineEdit>(form, "CA fi&le:", "MqttCaBox", "the certificate authority the broker's certificate is checked against");
  MqttUserBox = Field<QLineEdit>(form, "Broker lo&gin:", "MqttUserBox");
  MqttPasswordBox = Field<QLineEdit>(form, "Broker pa&ssword:", "MqttPasswordBox");
  MqttPasswordBox->setEchoMode(QLineEdit::Password);
  MqttPrefixBox = Field<QLineEdit>(form, "Topic prefi&x:", "MqttPrefixBox", "topics are prefix/status, prefix/call, prefix/availability");
  MqttDiscoveryChk = Check(form, "&Home Assistant discovery", "MqttDiscoveryChk");
  MqttCommandsChk = Check(form, "Allow key presses re&quested on prefix/key/set", "MqttCommandsChk");
  MqttStatusLbl = new QLabel(this);
  MqttStatusLbl->setObjectName("MqttStatusLbl");
  MqttStatusLbl->setWordWrap(true);
  MqttStatusLbl->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  form->addRow(MqttStatusLbl);
}

void MqttPart::show(const MqttSettings& s) {
  shown_ = s;
  MqttChk->setChecked(s.enabled);
  MqttHostBox->setText(ToQt(s.host));
  MqttPortBox->setValue(s.port);
  MqttVersionBox->setCurrentIndex(s.protocol == 5 ? 1 : 0);
  MqttTlsChk->setChecked(s.tls);
  MqttCaBox->setText(ToQt(s.caFile));
  MqttUserBox->setText(ToQt(s.user));
  MqttPasswordBox->setText(ToQt(s.password));
  MqttPrefixBox->setText(ToQt(s.prefix));
  MqttDiscoveryChk->setChecked(s.discovery);
  MqttCommandsChk->setChecked(s.commands);
  refresh();
}

MqttSettings MqttPart::form() const {
  MqttSettings s = shown_;
  s.enabled = MqttChk->isChecked();
  s.host = FromQt(MqttHostBox->text().trimmed());
  s.port = static_cast<std::uint16_t>(MqttPortBox->value());
  s.protocol = MqttVersionBox->currentIndex() == 1 ? 5 : 4;
  s.tls = MqttTlsChk->isChecked();
  s.caFile = FromQt(MqttCaBox->text().trimmed());
  s.user = FromQt(MqttUserBox->text());
  s.password = FromQt(MqttPasswordBox->text());
  s.prefix = FromQt(MqttPrefixBox->text().trimmed());
  s.discovery = MqttDiscoveryChk->isChecked();
  s.commands = MqttCommandsChk->isChecked();
  return s;
}

void MqttPart::refresh() {
  const QString status = status_ ? status_() : QString();
  if (MqttStatusLbl->text() == status) return;
  MqttStatusLbl->setText(status);
  MqttStatusLbl->setAccessibleName("MQTT status: " + status);
}

}  // namespace scandeck
