#include "remote/core/remote_api.h"

#include "common/core/key_value.h"
#include "status/core/status_json.h"

namespace scandeck {

std::optional<RemoteKey> KeyFromName(std::string_view name, const std::vector<std::string>& captions) {
  for (std::size_t i = 0; i < captions.size(); ++i)
    if (name == captions[i]) return RemoteKey{RemoteKey::Kind::Panel, static_cast<int>(i)};
  auto bank = [&](std::string_view prefix, RemoteKey::Kind kind) -> std::optional<RemoteKey> {
    if (name.substr(0, prefix.size()) != prefix) return std::nullopt;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.empty() || digits.front() == '0' || digits.size() > 2) return std::nullopt;
    if (const auto n = NumberIn(digits, 1, 10)) return RemoteKey{kind, static_cast<int>(*n)};
    return std::nullopt;
  };
  if (auto key = bank("BANK", RemoteKey::Kind::Bank)) return key;
  return bank("ID", RemoteKey::Kind::IdBank);
}

std::vector<std::string> KeyNames(const std::vector<std::string>& captions) {
  std::vector<std::string> names = captions;
  for (int b = 1; b <= 10; ++b) names.push_back("BANK" + std::to_string(b));
  for (int b = 1; b <= 10; ++b) names.push_back("ID" + std::to_string(b));
  return names;
}

std::string RowJson(const RemoteRow& r) {
  std::string j = "{\"kind\":";
  j += r.talkgroup ? "\"talkgroup\"" : "\"channel\"";
  j += ",\"bank\":" + JsonString(r.bank);
  j += ",\"id\":" + JsonString(r.id);
  j += ",\"name\":" + JsonString(r.name);
  j += ",\"type\":" + JsonString(r.type);
  j += ",\"hits\":" + std::to_string(r.hits);
  j += ",\"first\":" + std::to_string(r.firstMs);
  j += ",\"last\":" + std::to_string(r.lastMs);
  j += ",\"active_seconds\":" + std::to_string(r.activeSeconds);
  j += std::string(",\"active\":") + (r.active ? "true" : "false");
  return j + "}";
}

std::string HeardJson(const std::vector<RemoteRow>& rows) {
  std::string j = "{\"rows\":[";
  for (std::size_t i = 0; i < rows.size(); ++i) j += (i ? "," : "") + RowJson(rows[i]);
  return j + "]}";
}

std::string StatusEventJson(std::string_view status_json) {
  return "{\"type\":\"status\",\"status\":" + std::string(status_json) + "}";
}

std::string CallEventJson(const RemoteRow& row, bool started) {
  return std::string("{\"type\":\"call\",\"event\":") + (started ? "\"start\"" : "\"end\"") +
         ",\"row\":" + RowJson(row) + "}";
}

std::string HelloJson(bool control, const std::vector<std::string>& key_names) {
  std::string j = std::string("{\"type\":\"hello\",\"control\":") + (control ? "true" : "false") + ",\"keys\":[";
  for (std::size_t i = 0; i < key_names.size(); ++i) j += (i ? "," : "") + JsonString(key_names[i]);
  return j + "]}";
}

}  // namespace scandeck
