#include "status/core/status_json.h"

#include <cstdio>

#include "common/core/csv.h"
#include "common/core/text.h"

namespace scandeck {

std::string JsonString(std::string_view latin1) {
  std::string out = "\"";
  for (const char c : Latin1ToUtf8(latin1)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (u < 0x20 || u == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

namespace {
std::string Text(const std::string& value) { return JsonString(TrimBlanksCopy(value)); }
const char* Bool(bool value) { return value ? "true" : "false"; }

// The selected banks in bank order as the scanner last reported them (the display's
// lit labels, not a click still on its way): [1, 4, 10].
std::string Banks(const std::array<bool, 11>& lit) {
  std::string out = "[";
  for (int b = 1; b <= 10; ++b)
    if (lit[static_cast<std::size_t>(b)]) out += (out.size() > 1 ? "," : "") + std::to_string(b);
  return out + "]";
}
}  // namespace

std::string StatusJson(const ScannerStatus& s) {
  std::string j = "{";
  j += "\"mode\":" + Text(s.ModeText);
  j += ",\"frequency\":" + Text(s.FrequencyText);
  j += ",\"channel\":" + Text(s.ChannelNumber);
  j += ",\"name\":" + Text(s.ChannelName);
  j += ",\"type\":" + Text(s.ChannelType);
  j += std::string(",\"squelch\":") + (s.SquelchOpen ? "\"open\"" : "\"closed\"");
  j += ",\"system\":" + Text(s.SystemName);
  j += ",\"trunk_bank\":" + Text(s.TrunkBank);
  j += ",\"talkgroup\":" + Text(s.TalkgroupId);
  j += ",\"talkgroup_name\":" + Text(s.TalkgroupName);
  j += ",\"talkgroup_type\":" + Text(s.TalkgroupType);
  j += std::string(",\"talkgroup_active\":") + Bool(s.TalkgroupActive);
  j += ",\"scan_banks\":" + Banks(s.BankLit);
  j += ",\"id_banks\":" + Banks(s.IdBankLit);
  j += std::string(",\"indicators\":{\"data_skip\":") + Bool(s.DataSkipOn) + ",\"attenuator\":" +
       Bool(s.AttenuatorOn) + ",\"priority\":" + Bool(s.PriorityOn) + ",\"delay\":" + Bool(s.DelayOn) +
       ",\"lockout\":" + Bool(s.LockoutOn) + "}";
  return j + "}";
}

}  // namespace scandeck
