#include "integrations/core/now_playing.h"

#include "common/core/text.h"
#include "link/core/protocol.h"

namespace scandeck {

namespace {
std::string Trimmed(const std::string& text) { return TrimBlanksCopy(text); }

// Drops "()" and "[]" left empty and squeezes the blanks they leave.
std::string Tidy(std::string text) {
  for (const char* empty : {"()", "[]"})
    for (auto at = text.find(empty); at != std::string::npos; at = text.find(empty)) text.erase(at, 2);
  std::string out;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';  // one line, whatever a name holds
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}
}  // namespace

std::optional<NowPlayingFields> HeardNow(const ScannerStatus& s) {
  NowPlayingFields f;
  f.frequency = Trimmed(s.FrequencyText);
  f.mode = Trimmed(s.ModeText);
  if (s.TalkgroupActive && s.ModeCode > protocol::kTrunkModeThreshold) {
    f.talkgroup = Trimmed(s.TalkgroupId);
    f.name = Trimmed(s.TalkgroupName);
    if (f.name.empty()) f.name = f.talkgroup;
    f.type = Trimmed(s.TalkgroupType);
    f.system = Trimmed(s.SystemName);
    return f;
  }
  if (!s.SquelchOpen) return std::nullopt;
  f.name = Trimmed(s.ChannelName);
  if (f.name.empty()) f.name = f.frequency;
  f.type = Trimmed(s.ChannelType);
  return f;
}

std::string FillTemplate(std::string_view format, const NowPlayingFields& f) {
  const std::pair<std::string_view, const std::string*> fields[] = {
      {"{name}", &f.name},        {"{type}", &f.type},     {"{freq}", &f.frequency},
      {"{tgid}", &f.talkgroup}, {"{system}", &f.system}, {"{mode}", &f.mode}};
  std::string out;
  for (std::size_t i = 0; i < format.size() && out.size() < kNowPlayingMaxBytes;) {
    bool replaced = false;
    for (const auto& [key, value] : fields)
      if (format.substr(i, key.size()) == key) {
        out += *value;
        i += key.size();
        replaced = true;
        break;
      }
    if (!replaced) out += format[i++];
  }
  out = Tidy(std::move(out));
  if (out.size() > kNowPlayingMaxBytes) out.resize(kNowPlayingMaxBytes);
  return out;
}

std::string NowPlayingText(const ScannerStatus& status, const NowPlayingTemplate& text) {
  const auto heard = HeardNow(status);
  if (!heard) return FillTemplate(text.idle, {});
  return FillTemplate(text.format, *heard);
}

}  // namespace scandeck
