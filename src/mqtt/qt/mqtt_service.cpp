#include "mqtt/qt/mqtt_service.h"

#include <cstdio>
#include <utility>

#include "common/qt/qt_text.h"
#include "mqtt/qt/mqtt_client.h"
#include "status/core/status_json.h"

namespace scandeck {

MqttService::MqttService(MqttSettings settings, std::vector<std::string> captions,
                         std::function<void(std::size_t)> press)
    : settings_(std::move(settings)), keys_(std::move(captions)), press_(std::move(press)) {
  client_ = std::make_unique<MqttClient>(settings_);
  const std::string error = client_->start();
  state_ = error.empty() ? QString("MQTT: connecting to %1").arg(ToQt(where()))
                         : QString("MQTT: cannot start: %1").arg(ToQt(error));
}

MqttService::~MqttService() = default;

std::string MqttService::where() const { return settings_.host + ":" + std::to_string(settings_.port); }

void MqttService::update(const ScannerStatus& status) {
  outbox_.offerStatus(StatusJson(status));
  handleEvents();
  if (!client_->connected()) return;
  auto messages = outbox_.take(settings_.prefix);
  for (std::size_t i = 0; i < messages.size(); ++i)
    if (!client_->publish(messages[i])) {
      outbox_.putBack({std::make_move_iterator(messages.begin() + static_cast<std::ptrdiff_t>(i)),
                       std::make_move_iterator(messages.end())});
      break;
    }
}

void MqttService::call(const CallEvent& call) { outbox_.addCall(CallJson(call)); }

void MqttService::handleEvents() {
  using Kind = MqttClient::Event::Kind;
  const QString at = ToQt(where());
  const QString before = state_;
  for (auto& event : client_->takeEvents()) {
    switch (event.kind) {
      case Kind::Connected:
        failing_ = false;
        outbox_.connected();
        state_ = QString("MQTT: connected to %1 as %2").arg(at, ToQt(settings_.prefix));
        break;
      case Kind::Refused:
        state_ = QString("MQTT: %1 refused the connection: %2").arg(at, ToQt(event.text));
        break;
      case Kind::Lost:
        state_ = QString("MQTT: lost %1; trying again (up to every %2 s)").arg(at).arg(MqttClient::kMaxReconnectDelaySeconds);
        break;
      case Kind::Failing:
        // One failure can come as several lines (the library's and OpenSSL's): the first says it.
        if (!failing_) state_ = QString("MQTT: cannot connect to %1: %2").arg(at, ToQt(event.text));
        failing_ = true;
        break;
      case Kind::Message: {
        if (!settings_.commands || event.topic != KeyTopic(settings_.prefix) || event.tooLong) {
          keys_.refuse();
          break;
        }
        if (const auto key = keys_.accept(event.payload); key && press_) press_(*key);
        break;
      }
    }
  }
  // The same news once on the terminal too, for whoever runs ScanDeck from one.
  if (state_ != before) std::fprintf(stderr, "scandeck: %s\n", state_.toLocal8Bit().constData());
}

QString MqttService::statusLine() const {
  if (keys_.ignored() == 0) return state_;
  return state_ + QString(" | %1 remote key messages ignored").arg(keys_.ignored());
}

}  // namespace scandeck
