#include "mqtt/qt/mqtt_client.h"

#include <dlfcn.h>
#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>

#include "common/core/csv.h"

namespace scandeck {

namespace {

// libmosquitto, and OpenSSL behind it, are loaded when MQTT is first switched on
// rather than at start: close to 2 MiB resident that a run without MQTT never uses.
struct Mosquitto {
  decltype(&::mosquitto_connack_string) connack_string;
  decltype(&::mosquitto_connect_async) connect_async;
  decltype(&::mosquitto_connect_callback_set) connect_callback_set;
  decltype(&::mosquitto_destroy) destroy;
  decltype(&::mosquitto_disconnect) disconnect;
  decltype(&::mosquitto_disconnect_callback_set) disconnect_callback_set;
  decltype(&::mosquitto_int_option) int_option;
  decltype(&::mosquitto_lib_init) lib_init;
  decltype(&::mosquitto_log_callback_set) log_callback_set;
  decltype(&::mosquitto_loop_start) loop_start;
  decltype(&::mosquitto_loop_stop) loop_stop;
  decltype(&::mosquitto_message_callback_set) message_callback_set;
  decltype(&::mosquitto_new) create;
  decltype(&::mosquitto_publish) publish;
  decltype(&::mosquitto_reconnect_delay_set) reconnect_delay_set;
  decltype(&::mosquitto_strerror) strerror;
  decltype(&::mosquitto_subscribe) subscribe;
  decltype(&::mosquitto_tls_set) tls_set;
  decltype(&::mosquitto_username_pw_set) username_pw_set;
  decltype(&::mosquitto_will_set) will_set;
};

const Mosquitto* LoadMosquitto() {
  static const std::optional<Mosquitto> library = []() -> std::optional<Mosquitto> {
    void* handle = dlopen("libmosquitto.so.1", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return std::nullopt;
    const auto find = [handle]<typename F>(F& function, const char* name) {
      function = reinterpret_cast<F>(dlsym(handle, name));
      return function != nullptr;
    };
    Mosquitto m{};
    if (find(m.connack_string, "mosquitto_connack_string") &&
        find(m.connect_async, "mosquitto_connect_async") &&
        find(m.connect_callback_set, "mosquitto_connect_callback_set") &&
        find(m.destroy, "mosquitto_destroy") &&
        find(m.disconnect, "mosquitto_disconnect") &&
        find(m.disconnect_callback_set, "mosquitto_disconnect_callback_set") &&
        find(m.int_option, "mosquitto_int_option") &&
        find(m.lib_init, "mosquitto_lib_init") &&
        find(m.log_callback_set, "mosquitto_log_callback_set") &&
        find(m.loop_start, "mosquitto_loop_start") &&
        find(m.loop_stop, "mosquitto_loop_stop") &&
        find(m.message_callback_set, "mosquitto_message_callback_set") &&
        find(m.create, "mosquitto_new") &&
        find(m.publish, "mosquitto_publish") &&
        find(m.reconnect_delay_set, "mosquitto_reconnect_delay_set") &&
        find(m.strerror, "mosquitto_strerror") &&
        find(m.subscribe, "mosquitto_subscribe") &&
        find(m.tls_set, "mosquitto_tls_set") &&
        find(m.username_pw_set, "mosquitto_username_pw_set") &&
        find(m.will_set, "mosquitto_will_set"))
      return m;
    return std::nullopt;
  }();
  return library ? &*library : nullptr;
}

// Only reached once a client was made, so with the library loaded.
const Mosquitto& Lib() { return *LoadMosquitto(); }

std::once_flag library_once;
}  // namespace

MqttClient::MqttClient(MqttSettings settings) : settings_(std::move(settings)) {
  if (LoadMosquitto() == nullptr) return;
  std::call_once(library_once, [] { Lib().lib_init(); });
  handle_ = Lib().create(settings_.clientId.empty() ? nullptr : settings_.clientId.c_str(), true, this);
}

MqttClient::~MqttClient() {
  if (!handle_) return;
  if (starter_.joinable()) starter_.join();
  if (started_) {
    const bool was_connected = connected_;
    if (was_connected) {
      const std::string topic = AvailabilityTopic(settings_.prefix);
      Lib().publish(handle_, nullptr, topic.c_str(), 7, kOffline, 1, true);
    }
    Lib().disconnect(handle_);
    // Connected: the thread ends once the goodbye is out, which a broker that has
    // stopped reading would hold up until the keep-alive runs out; closing the
    // program waits two seconds for it at most. Otherwise the thread may sleep
    // before its next try, and there is nothing to wait for.
    bool out = false;
    if (was_connected) {
      std::unique_lock lock(mutex_);
      out = gone_.wait_for(lock, std::chrono::seconds(2), [this] { return said_goodbye_; });
    }
    Lib().loop_stop(handle_, !out);
  }
  Lib().destroy(handle_);
}

std::string MqttClient::start() {
  if (!handle_)
    return LoadMosquitto() ? "the MQTT library could not be started" : "the MQTT library (libmosquitto.so.1) is not installed";
  Lib().int_option(handle_, MOSQ_OPT_PROTOCOL_VERSION, settings_.protocol == 5 ? MQTT_PROTOCOL_V5 : MQTT_PROTOCOL_V311);
  Lib().connect_callback_set(handle_, &MqttClient::OnConnect);
  Lib().disconnect_callback_set(handle_, &MqttClient::OnDisconnect);
  Lib().message_callback_set(handle_, &MqttClient::OnMessage);
  Lib().log_callback_set(handle_, &MqttClient::OnLog);
  const std::string will = AvailabilityTopic(settings_.prefix);
  Lib().will_set(handle_, will.c_str(), 7, kOffline, 1, true);
  if (!settings_.user.empty()) {
    // The settings are Latin-1; MQTT's user name is UTF-8, and so was the broker's password file.
    const std::string user = Latin1ToUtf8(settings_.user), password = Latin1ToUtf8(settings_.password);
    Lib().username_pw_set(handle_, user.c_str(), password.empty() ? nullptr : password.c_str());
  }
  if (settings_.tls) {
    auto optional = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
    const int rc = Lib().tls_set(handle_, optional(settings_.caFile), nullptr, optional(settings_.certFile),
                                     optional(settings_.keyFile), nullptr);
    if (rc != MOSQ_ERR_SUCCESS)
      return settings_.caFile.empty() ? "TLS needs a CA file" : "the CA file or the client certificate cannot be read";
  }
  Lib().reconnect_delay_set(handle_, 1, kMaxReconnectDelaySeconds, true);
  if (Lib().loop_start(handle_) != MOSQ_ERR_SUCCESS) return "the MQTT thread could not be started";
  started_ = true;
  // A broker that is not there yet is tried again by the thread, like a lost one.
  // The first try looks the host up and opens the socket on the calling thread, so
  // it runs on one of its own: the poll never waits for a name server.
  starter_ = std::thread([this] {
    const int rc = Lib().connect_async(handle_, settings_.host.c_str(), settings_.port, settings_.keepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS)
      push({Event::Kind::Failing, rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : Lib().strerror(rc), {}, {}, false});
  });
  return {};
}

bool MqttClient::publish(const MqttMessage& m) {
  if (!connected_) return false;
  return Lib().publish(handle_, nullptr, m.topic.c_str(), static_cast<int>(m.payload.size()), m.payload.data(), 0,
                           m.retain) == MOSQ_ERR_SUCCESS;
}

std::vector<MqttClient::Event> MqttClient::takeEvents() {
  std::lock_guard lock(mutex_);
  std::vector<Event> out(std::make_move_iterator(events_.begin()), std::make_move_iterator(events_.end()));
  events_.clear();
  return out;
}

void MqttClient::push(Event event) {
  std::lock_guard lock(mutex_);
  // A flood of messages between two ticks keeps the news of the connection.
  if (events_.size() >= kMaxEvents && event.kind == Event::Kind::Message) return;
  // Each try of a refused handshake says the same: tell it once.
  if (event.kind == Event::Kind::Failing) {
    if (event.text == last_failure_) return;
    last_failure_ = event.text;
  }
  if (event.kind == Event::Kind::Connected) last_failure_.clear();
  events_.push_back(std::move(event));
}

void MqttClient::OnConnect(mosquitto* m, void* self, int rc) {
  auto* me = static_cast<MqttClient*>(self);
  if (rc != 0) {
    me->push({Event::Kind::Refused, Lib().connack_string(rc), {}, {}, false});
    return;
  }
  const std::string availability = AvailabilityTopic(me->settings_.prefix);
  Lib().publish(m, nullptr, availability.c_str(), 6, kOnline, 1, true);
  if (me->settings_.discovery)
    for (const auto& d : DiscoveryMessages(me->settings_.prefix))
      Lib().publish(m, nullptr, d.topic.c_str(), static_cast<int>(d.payload.size()), d.payload.data(), 1, true);
  if (me->settings_.commands) Lib().subscribe(m, nullptr, KeyTopic(me->settings_.prefix).c_str(), 1);
  {
    std::lock_guard lock(me->mutex_);
    me->said_goodbye_ = false;  // a goodbye belongs to the connection it ended
  }
  me->connected_ = true;
  me->push({Event::Kind::Connected, {}, {}, {}, false});
}

void MqttClient::OnDisconnect(mosquitto*, void* self, int rc) {
  auto* me = static_cast<MqttClient*>(self);
  const bool was = me->connected_.exchange(false);
  {
    std::lock_guard lock(me->mutex_);
    me->said_goodbye_ = true;
  }
  me->gone_.notify_all();
  if (rc != 0 && was) me->push({Event::Kind::Lost, Lib().strerror(rc), {}, {}, false});
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* me = static_cast<MqttClient*>(self);
  Event event{Event::Kind::Message, {}, message->topic ? message->topic : "", {}, false};
  const auto size = static_cast<std::size_t>(message->payloadlen);
  if (size > kMaxMessageBytes) event.tooLong = true;
  else if (size > 0) event.payload.assign(static_cast<const char*>(message->payload), size);
  me->push(std::move(event));
}

void MqttClient::OnLog(mosquitto*, void* self, int level, const char* text) {
  if (level != MOSQ_LOG_ERR || !text) return;
  static_cast<MqttClient*>(self)->push({Event::Kind::Failing, text, {}, {}, false});
}

}  // namespace scandeck
