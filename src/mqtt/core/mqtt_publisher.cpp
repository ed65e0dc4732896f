#include "mqtt/core/mqtt_publisher.h"

#include <chrono>
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/core/text.h"
#include "status/core/status_json.h"

namespace scandeck {

std::string AvailabilityTopic(std::string_view prefix) { return std::string(prefix) + "/availability"; }
std::string StatusTopic(std::string_view prefix) { return std::string(prefix) + "/status"; }
std::string CallTopic(std::string_view prefix) { return std::string(prefix) + "/call"; }
std::string KeyTopic(std::string_view prefix) { return std::string(prefix) + "/key/set"; }

std::string UtcText(std::int64_t epoch_ms) {
  using namespace std::chrono;
  const sys_time<milliseconds> at{milliseconds(epoch_ms)};
  const auto day = floor<days>(at);
  const year_month_day date{day};
  const hh_mm_ss<milliseconds> time{at - day};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
  return text;
}

std::string CallJson(const CallEvent& c) {
  auto text = [](const std::string& value) { return JsonString(TrimBlanksCopy(value)); };
  std::string j = "{";
  j += std::string("\"event\":") + (c.started ? "\"start\"" : "\"end\"");
  j += std::string(",\"kind\":") + (c.talkgroup ? "\"talkgroup\"" : "\"channel\"");
  j += ",\"channel\":" + text(c.channel);
  j += ",\"trunk_bank\":" + text(c.trunkBank);
  j += ",\"talkgroup\":" + text(c.id);
  j += ",\"name\":" + text(c.name);
  j += ",\"type\":" + text(c.type);
  j += ",\"frequency\":" + text(c.frequency);
  j += ",\"start\":\"" + UtcText(c.startMs) + "\"";
  j += ",\"end\":" + (c.started ? std::string("null") : "\"" + UtcText(c.endMs) + "\"");
  const std::int64_t ms = c.started ? 0 : std::max<std::int64_t>(0, c.endMs - c.startMs);
  char duration[32];
  std::snprintf(duration, sizeof duration, "%lld.%03lld", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  j += std::string(",\"duration\":") + duration;
  return j + "}";
}

bool MqttOutbox::offerStatus(std::string json) {
  if (have_status_ && json == last_status_) return false;
  last_status_ = std::move(json);
  have_status_ = true;
  status_waiting_ = true;
  return true;
}

void MqttOutbox::addCall(std::string json) {
  if (calls_.size() >= kMaxQueuedCalls) {
    calls_.pop_front();
    ++dropped_;
  }
  calls_.push_back(std::move(json));
}

void MqttOutbox::connected() { status_waiting_ = have_status_; }

std::vector<MqttMessage> MqttOutbox::take(std::string_view prefix) {
  std::vector<MqttMessage> out;
  out.reserve(calls_.size() + 1);
  if (status_waiting_) out.push_back({StatusTopic(prefix), last_status_, true});
  status_waiting_ = false;
  for (auto& call : calls_) out.push_back({CallTopic(prefix), std::move(call), false});
  calls_.clear();
  calls_.shrink_to_fit();
  return out;
}

void MqttOutbox::putBack(std::vector<MqttMessage> unsent) {
  std::deque<std::string> calls;
  for (auto& message : unsent) {
    if (message.retain) status_waiting_ = have_status_;  // the newest status goes, whichever was unsent
    else calls.push_back(std::move(message.payload));
  }
  for (auto& call : calls_) calls.push_back(std::move(call));
  calls_.swap(calls);
  while (calls_.size() > kMaxQueuedCalls) {
    calls_.pop_front();
    ++dropped_;
  }
}

std::size_t MqttOutbox::memoryBytes() const {
  std::size_t bytes = sizeof *this + last_status_.capacity();
  for (const auto& call : calls_) bytes += sizeof call + call.capacity();
  return bytes;
}

std::vector<MqttMessage> DiscoveryMessages(std::string_view prefix) {
  std::string node;
  for (const char c : prefix) node += (std::isalnum(static_cast<unsigned char>(c)) || c == '-') ? c : '_';
  const struct {
    const char* object;
    const char* name;
    const char* field;
    const char* icon;
  } sensors[] = {{"frequency", "Frequency", "frequency", "mdi:radio-tower"},
                 {"name", "Name", "name", "mdi:label"},
                 {"talkgroup", "Talkgroup", "talkgroup", "mdi:account-group"},
                 {"squelch", "Squelch", "squelch", "mdi:volume-high"}};
  const std::string device = "\"device\":{\"identifiers\":[" + JsonString(node) + "],\"name\":" +
                             JsonString("ScanDeck " + std::string(prefix)) +
                             ",\"manufacturer\":\"ScanDeck\",\"model\":\"BC245XLT\"}";
  std::vector<MqttMessage> out;
  for (const auto& s : sensors) {
    std::string j = "{\"name\":" + JsonString(s.name);
    j += ",\"unique_id\":" + JsonString(node + "_" + s.object);
    j += ",\"state_topic\":" + JsonString(StatusTopic(prefix));
    j += ",\"value_template\":" + JsonString(std::string("{{ value_json.") + s.field + " }}");
    j += ",\"availability_topic\":" + JsonString(AvailabilityTopic(prefix));
    j += ",\"payload_available\":\"online\",\"payload_not_available\":\"offline\"";
    j += ",\"icon\":" + JsonString(s.icon) + "," + device + "}";
    out.push_back({"homeassistant/sensor/" + node + "/" + s.object + "/config", std::move(j), true});
  }
  return out;
}

std::optional<std::size_t> KeyFilter::accept(std::string_view payload) {
  if (payload.size() <= kMaxPayloadBytes)
    for (std::size_t i = 0; i < captions_.size(); ++i)
      if (payload == captions_[i]) return i;
  ++ignored_;
  return std::nullopt;
}

}  // namespace scandeck
