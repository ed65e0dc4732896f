#pragma once
// What ScanDeck tells an MQTT broker and what it takes from one, without the
// network: topics, payloads, the queue kept while the broker is away, Home
// Assistant's discovery messages and the filter on incoming key presses.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mqtt/core/mqtt_settings.h"

namespace scandeck {

struct MqttMessage {
  std::string topic;
  std::string payload;
  bool retain = false;
  bool operator==(const MqttMessage&) const = default;
};

inline constexpr const char* kOnline = "online";
inline constexpr const char* kOffline = "offline";
std::string AvailabilityTopic(std::string_view prefix);
std::string StatusTopic(std::string_view prefix);
std::string CallTopic(std::string_view prefix);
std::string KeyTopic(std::string_view prefix);

// One call start or end. Texts are the program's Latin-1 bytes; times are wall-clock
// milliseconds since 1970.
struct CallEvent {
  bool started = true;
  bool talkgroup = false;
  std::string channel;    // channel number, when stored
  std::string trunkBank;  // talkgroups
  std::string id;         // talkgroups: the ID
  std::string name, type, frequency;
  std::int64_t startMs = 0;
  std::int64_t endMs = 0;  // ends only
};
// {"event":"start"|"end","kind":"channel"|"talkgroup",...,"start":"2026-12-08T04:05:24.000Z",
// "end":null|"...","duration":seconds}
std::string CallJson(const CallEvent& call);
// "2026-12-08T04:05:24.250Z".
std::string UtcText(std::int64_t epoch_ms);

// What waits for the broker: the newest status (offered once per tick, kept only
// when it changed) and the calls in order, at most kMaxQueuedCalls (the oldest go).
class MqttOutbox {
 public:
  static constexpr std::size_t kMaxQueuedCalls = 1000;

  // True when it differs from the last status offered and so waits to be sent.
  bool offerStatus(std::string json);
  void addCall(std::string json);
  // A new connection: the broker may have lost the retained status, so the current
  // one goes again.
  void connected();
  // Everything waiting, status first, then the calls in order; the outbox is empty after.
  std::vector<MqttMessage> take(std::string_view prefix);
  // What was taken but not sent (the connection dropped part way), from the first
  // message not sent: back in front, in order, within the bound.
  void putBack(std::vector<MqttMessage> unsent);

  std::size_t queuedCalls() const { return calls_.size(); }
  std::uint64_t droppedCalls() const { return dropped_; }
  bool statusWaiting() const { return status_waiting_; }
  std::size_t memoryBytes() const;

 private:
  std::string last_status_;
  bool have_status_ = false;
  bool status_waiting_ = false;
  std::deque<std::string> calls_;
  std::uint64_t dropped_ = 0;
};

// Home Assistant's discovery messages (retained) for the frequency, name,
// talkgroup and squelch sensors, all bound to the availability topic.
std::vector<MqttMessage> DiscoveryMessages(std::string_view prefix);

// Incoming key presses: a payload is taken only when it is exactly one of the
// control panel's key captions; anything else is ignored and counted.
class KeyFilter {
 public:
  static constexpr std::size_t kMaxPayloadBytes = 16;
  explicit KeyFilter(std::vector<std::string> captions) : captions_(std::move(captions)) {}
  // The caption's index, or nothing.
  std::optional<std::size_t> accept(std::string_view payload);
  // A message that is no key press at all (another topic, too long to read).
  void refuse() { ++ignored_; }
  std::uint64_t ignored() const { return ignored_; }

 private:
  std::vector<std::string> captions_;
  std::uint64_t ignored_ = 0;
};

}  // namespace scandeck
