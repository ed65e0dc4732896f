#include "link/core/serial_settings.h"

#include <array>
#include <vector>

#include "common/core/text.h"

namespace scandeck {

namespace {
std::vector<std::string_view> SplitCommas(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    parts.push_back(TrimSpace(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parts;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}
}  // namespace

std::optional<SerialSettings> SerialSettings::Parse(std::string_view text) {
  const auto parts = SplitCommas(text);
  if (parts.size() != 4) return std::nullopt;

  static constexpr std::array<int, 14> kSpeeds = {110,  300,   600,   1200,  2400,  4800,   9600,
                                                  14400, 19200, 28800, 38400, 57600, 115200, 230400};
  if (!AllDigits(parts[0]) || parts[0].size() > 6) return std::nullopt;
  SerialSettings s;
  s.baud = static_cast<int>(NumericValue(parts[0]));
  bool known_speed = false;
  for (int speed : kSpeeds) known_speed |= speed == s.baud;
  if (!known_speed) return std::nullopt;

  if (parts[1].size() != 1) return std::nullopt;
  switch (parts[1][0]) {
    case 'n': case 'N': s.parity = Parity::None; break;
    case 'e': case 'E': s.parity = Parity::Even; break;
    case 'o': case 'O': s.parity = Parity::Odd; break;
    case 'm': case 'M': s.parity = Parity::Mark; break;
    case 's': case 'S': s.parity = Parity::Space; break;
    default: return std::nullopt;
  }

  if (parts[2].size() != 1 || parts[2][0] < '5' || parts[2][0] > '8') return std::nullopt;
  s.data_bits = parts[2][0] - '0';

  if (parts[3] == "1") s.stop_bits = StopBits::One;
  else if (parts[3] == "1.5") s.stop_bits = StopBits::OneAndHalf;
  else if (parts[3] == "2") s.stop_bits = StopBits::Two;
  else return std::nullopt;
  return s;
}

}  // namespace scandeck
