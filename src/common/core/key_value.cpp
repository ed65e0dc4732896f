#include "common/core/key_value.h"

#include <charconv>
#include <fstream>

namespace scandeck {

void ForEachKeyValue(std::string_view text, const std::function<void(std::string_view, std::string_view)>& apply) {
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const auto line = text.substr(start, end - start);
    if (const auto eq = line.find('='); eq != std::string_view::npos) apply(line.substr(0, eq), line.substr(eq + 1));
    start = end + 1;
  }
}

std::optional<std::string> ReadKeyValueFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text(kMaxKeyValueFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxKeyValueFileBytes) return std::nullopt;
  return text;
}

std::string KeyValueText(const std::vector<std::pair<const char*, std::string>>& lines) {
  std::string text;
  for (const auto& [key, value] : lines) {
    text += key;
    text += '=';
    for (const char c : value) text += c == '\r' || c == '\n' ? ' ' : c;
    text += '\n';
  }
  return text;
}

std::optional<long> NumberIn(std::string_view text, long low, long high) {
  long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
  return value;
}

void ReadFlag(std::string_view value, bool& out) {
  if (value == "1" || value == "0") out = value == "1";
}

}  // namespace scandeck
