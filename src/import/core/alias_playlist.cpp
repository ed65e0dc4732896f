#include "import/core/alias_playlist.h"

#include <algorithm>
#include <cstdlib>

namespace scandeck {

namespace {

// The value of attribute `name` in the start tag `tag`, entities decoded (UTF-8 kept).
std::string Attribute(std::string_view tag, std::string_view name) {
  std::size_t at = 0;
  while ((at = tag.find(name, at)) != std::string_view::npos) {
    const bool starts = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n' || tag[at - 1] == '\r');
    std::size_t k = at + name.size();
    while (k < tag.size() && tag[k] == ' ') ++k;
    if (!starts || k >= tag.size() || tag[k] != '=') {
      at += name.size();
      continue;
    }
    ++k;
    while (k < tag.size() && tag[k] == ' ') ++k;
    if (k >= tag.size() || (tag[k] != '"' && tag[k] != '\'')) return {};
    const char quote = tag[k];
    const auto end = tag.find(quote, k + 1);
    if (end == std::string_view::npos) return {};
    const std::string_view raw = tag.substr(k + 1, end - k - 1);
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      const auto semi = raw.find(';', i);
      if (semi == std::string_view::npos || semi - i > 10) {
        out += '&';
        continue;
      }
      const std::string_view ent = raw.substr(i + 1, semi - i - 1);
      unsigned long code = 0;
      if (ent == "amp") code = '&';
      else if (ent == "lt") code = '<';
      else if (ent == "gt") code = '>';
      else if (ent == "quot") code = '"';
      else if (ent == "apos") code = '\'';
      else if (ent.size() > 1 && ent[0] == '#')
        code = std::strtoul(std::string(ent.substr(ent[1] == 'x' ? 2 : 1)).c_str(), nullptr, ent[1] == 'x' ? 16 : 10);
      if (code == 0 || code > 0x10FFFF) {
        out += '&';
        continue;
      }
      // Back to UTF-8, so that the one conversion to Latin-1 counts what it cannot hold.
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        out += code < 0x10000 ? static_cast<char>(0xE0 | (code >> 12)) : '?';
        if (code < 0x10000) {
          out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (code & 0x3F));
        }
      }
      i = semi;
    }
    return out;
  }
  return {};
}

}  // namespace

void ReadAliasPlaylist(std::string_view bytes, ListInfo& info, ListSink& sink) {
  info.kind = ListKind::Talkgroups;
  info.format = "alias playlist (XML)";
  bool bom = false;
  bytes = StripBom(bytes, bom);
  // XML is UTF-8 unless it says otherwise; a Latin-1 file still reads, byte for byte.
  info.utf8 = LooksLikeUtf8(bytes);
  sink.start(info);
  SkipLog& skipped = info.skipped;
  std::size_t pos = 0, counted = 0;
  int line = 1, aliases = 0;
  while ((pos = bytes.find("<alias", pos)) != std::string_view::npos) {
    line += static_cast<int>(std::count(bytes.begin() + static_cast<std::ptrdiff_t>(counted), bytes.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
    counted = pos;
    const auto tag_end = bytes.find('>', pos);
    if (tag_end == std::string_view::npos) {
      skipped.add(line, "an alias element that is never closed");
      break;
    }
    const std::string_view tag = bytes.substr(pos, tag_end - pos);
    const bool empty_element = tag.ends_with("/");
    auto body_end = empty_element ? tag_end : bytes.find("</alias>", tag_end);
    if (body_end == std::string_view::npos) body_end = bytes.size();
    const std::string_view body = bytes.substr(tag_end, body_end - tag_end);
    pos = body_end;
    ++aliases;
    ListEntry e;
    e.line = line;
    std::size_t id = 0;
    while ((id = body.find("<id", id)) != std::string_view::npos) {
      const auto end = body.find('>', id);
      if (end == std::string_view::npos) break;
      const std::string_view id_tag = body.substr(id, end - id);
      id = end;
      if (Attribute(id_tag, "type") != "talkgroup") continue;
      e.decimal = Attribute(id_tag, "value");
      break;
    }
    if (e.decimal.empty() || e.decimal.find_first_not_of("0123456789") != std::string::npos || e.decimal.size() > 9) {
      skipped.add(line, e.decimal.empty() ? "an alias without a talkgroup ID" : "a talkgroup ID that is not a number");
      continue;
    }
    e.alpha = ToLatin1(Attribute(tag, "name"), info.utf8, e.replaced);
    e.category = ToLatin1(Attribute(tag, "group"), info.utf8, e.replaced);
    e.description = e.alpha;
    if (e.alpha.empty()) {
      skipped.add(line, "no name (empty or \"none\")");
      continue;
    }
    sink.entry(e, skipped);
  }
  if (aliases == 0 && skipped.count == 0) info.error = "No <alias> element with a talkgroup ID: not a playlist ScanDeck knows.";
}

}  // namespace scandeck
