#pragma once
// ScanDeck on an MQTT broker: fed the status after each poll tick and each call as
// the Heard list sees it; publishes what changed while connected and keeps it
// bounded while not. Made only while mqtt=1, so nothing of MQTT runs while it is off.
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "mqtt/core/mqtt_publisher.h"
#include "mqtt/core/mqtt_settings.h"
#include "status/core/scanner_status.h"

namespace scandeck {

class MqttClient;

class MqttService {
 public:
  // `press`: a remote key press, by its index in `captions`, on the UI thread.
  MqttService(MqttSettings settings, std::vector<std::string> captions, std::function<void(std::size_t)> press);
  // Says "offline" and disconnects.
  ~MqttService();

  const MqttSettings& settings() const { return settings_; }
  // After each poll tick, on the UI thread.
  void update(const ScannerStatus& status);
  void call(const CallEvent& call);
  // One line: the connection's state or its failure, said once when it starts.
  QString statusLine() const;
  std::uint64_t ignoredKeys() const { return keys_.ignored(); }

 private:
  void handleEvents();
  std::string where() const;

  MqttSettings settings_;
  std::unique_ptr<MqttClient> client_;
  MqttOutbox outbox_;
  KeyFilter keys_;
  std::function<void(std::size_t)> press_;
  QString state_;
  bool failing_ = false;  // a failure to connect is on the status line since the last connection
};

}  // namespace scandeck
