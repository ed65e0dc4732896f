#pragma once
// The connection to one broker on libmosquitto's own network thread. Nothing here
// waits on the network: the thread's news (connected, refused, lost, a message) is
// queued under a lock and taken by the UI thread on its tick, and publishing only
// hands a message to the library.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mqtt/core/mqtt_publisher.h"
#include "mqtt/core/mqtt_settings.h"

struct mosquitto;
struct mosquitto_message;

namespace scandeck {

class MqttClient {
 public:
  // Reconnection: 1 s after a loss, growing to at most this.
  static constexpr unsigned kMaxReconnectDelaySeconds = 8;
  static constexpr std::size_t kMaxMessageBytes = 64;  // longer payloads are kept only as "too long"
  static constexpr std::size_t kMaxEvents = 256;

  struct Event {
    enum class Kind { Connected, Refused, Lost, Failing, Message } kind;
    std::string text;  // why, for Refused and Failing
    std::string topic, payload;
    bool tooLong = false;
  };

  explicit MqttClient(MqttSettings settings);
  // The polite close: "offline", retained, then the disconnect.
  ~MqttClient();
  MqttClient(const MqttClient&) = delete;
  MqttClient& operator=(const MqttClient&) = delete;

  // Starts the thread and the first connection; why it could not, or empty.
  std::string start();
  bool connected() const { return connected_; }
  // False when the library did not take it (not connected, or the connection just dropped).
  bool publish(const MqttMessage& message);
  std::vector<Event> takeEvents();

 private:
  static void OnConnect(mosquitto*, void* self, int rc);
  static void OnDisconnect(mosquitto*, void* self, int rc);
  static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
  static void OnLog(mosquitto*, void* self, int level, const char* text);
  void push(Event event);

  MqttSettings settings_;
  mosquitto* handle_ = nullptr;
  bool started_ = false;
  std::atomic<bool> connected_{false};
  std::mutex mutex_;
  std::condition_variable gone_;  // the goodbye is out: OnDisconnect came
  bool said_goodbye_ = false;      // under mutex_
  std::deque<Event> events_;
  std::thread starter_;
  std::string last_failure_;  // under mutex_
};

}  // namespace scandeck
