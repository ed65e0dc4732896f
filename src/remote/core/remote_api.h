#pragma once
// What the page may ask for and press, as text: the key names, the Heard list's rows
// and the events sent over the WebSocket. Built from plain values so that this folder
// needs neither the Heard list nor the main window.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scandeck {

// A key of the main window: a control-panel key by its index among the captions the
// window passes, a frequency bank (1..10) or an ID bank (1..10) toggle.
struct RemoteKey {
  enum class Kind { Panel, Bank, IdBank } kind = Kind::Panel;
  int index = 0;
  bool operator==(const RemoteKey&) const = default;
};
// "SCAN" (a caption, exactly), "BANK1".."BANK10", "ID1".."ID10"; anything else is
// nothing, and so a 404: no other text reaches the scanner.
std::optional<RemoteKey> KeyFromName(std::string_view name, const std::vector<std::string>& captions);

// One Heard list row as the page shows it. Texts are the program's Latin-1 bytes;
// times are wall-clock milliseconds since 1970.
struct RemoteRow {
  bool talkgroup = false;
  std::string bank, id, name, type;
  std::int64_t hits = 0;
  std::int64_t firstMs = 0, lastMs = 0;
  std::int64_t activeSeconds = 0;
  bool active = false;
};
std::string RowJson(const RemoteRow& row);
// {"rows":[...]}
std::string HeardJson(const std::vector<RemoteRow>& rows);

// The WebSocket's messages: {"type":"status","status":{...}}, {"type":"call",
// "event":"start"|"end","row":{...}} and, first on each connection, {"type":"hello",
// "control":true|false,"keys":[...]}.
std::string StatusEventJson(std::string_view status_json);
std::string CallEventJson(const RemoteRow& row, bool started);
std::string HelloJson(bool control, const std::vector<std::string>& key_names);

// Every name KeyFromName accepts, panel keys first.
std::vector<std::string> KeyNames(const std::vector<std::string>& captions);

}  // namespace scandeck
