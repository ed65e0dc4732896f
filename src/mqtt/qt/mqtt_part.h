#pragma once
// The MQTT part of the Integrations window: the broker, what is published and
// whether keys may be pressed from it. It shows the settings it is given and hands
// the form back on Apply; its status line says what the connection is doing.
#include <QGroupBox>
#include <functional>

#include "mqtt/core/mqtt_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace scandeck {

class MqttPart final : public QGroupBox {
  Q_OBJECT
 public:
  explicit MqttPart(std::function<QString()> status, QWidget* parent = nullptr);

  void show(const MqttSettings& settings);
  MqttSettings form() const;
  void refresh();

 private:
  MqttSettings shown_;
  std::function<QString()> status_;
  QCheckBox* MqttChk;
  QLineEdit* MqttHostBox;
  QSpinBox* MqttPortBox;
  QComboBox* MqttVersionBox;
  QCheckBox* MqttTlsChk;
  QLineEdit* MqttCaBox;
  QLineEdit* MqttUserBox;
  QLineEdit* MqttPasswordBox;
  QLineEdit* MqttPrefixBox;
  QCheckBox* MqttDiscoveryChk;
  QCheckBox* MqttCommandsChk;
  QLabel* MqttStatusLbl;
};

}  // namespace scandeck
