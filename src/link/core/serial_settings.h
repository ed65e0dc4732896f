#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace scandeck {

// "9600,n,8,1": speed, parity letter, data bits, stop bits.
struct SerialSettings {
  enum class Parity { None, Even, Odd, Mark, Space };
  enum class StopBits { One, OneAndHalf, Two };

  int baud = 9600;
  Parity parity = Parity::None;
  int data_bits = 8;
  StopBits stop_bits = StopBits::One;

  // nullopt for anything the link cannot use, so callers keep their previous value.
  static std::optional<SerialSettings> Parse(std::string_view text);
  bool operator==(const SerialSettings&) const = default;
};

inline constexpr const char* kDefaultSerialSettings = "9600,n,8,1";
inline constexpr int kDefaultPortNumber = 1;

}  // namespace scandeck
