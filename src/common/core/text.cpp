#include "common/core/text.h"

#include <cmath>
#include <cstdlib>

namespace scandeck {

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string TrimBlanksCopy(std::string_view text) { return std::string(TrimBlanks(text)); }

std::string_view TrimSpace(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

double NumericValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::string number;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    number += text[i++];
    digits = true;
  }
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      number += text[i++];
      digits = true;
    }
  }
  if (!digits) return 0.0;
  // strtod on our own digits-and-point buffer: the C locale's point is assumed
  // by the program, so parse by hand instead of trusting the locale.
  double value = 0.0;
  double scale = 1.0;
  bool fraction = false;
  for (char c : number) {
    if (c == '.') {
      fraction = true;
    } else if (c >= '0' && c <= '9') {
      if (fraction) {
        scale /= 10.0;
        value += (c - '0') * scale;
      } else {
        value = value * 10.0 + (c - '0');
      }
    }
  }
  return number[0] == '-' ? -value : value;
}

std::string_view Mid(std::string_view text, std::size_t first, std::size_t count) {
  if (first == 0 || first > text.size()) return {};
  return text.substr(first - 1, count);
}

std::string_view MidRest(std::string_view text, std::size_t first) {
  if (first == 0 || first > text.size()) return {};
  return text.substr(first - 1);
}

namespace {
// Rounds half away from zero, clamped so that absurd input cannot overflow.
long long RoundClamped(double value) {
  if (!std::isfinite(value)) return 0;
  constexpr double kLimit = 9.0e17;
  if (value > kLimit) value = kLimit;
  if (value < -kLimit) value = -kLimit;
  return std::llround(value);
}

std::string ZeroPad(unsigned long long value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}
}  // namespace

std::string FormatFrequencyMhz(double mhz, char separator) {
  const long long units = RoundClamped(mhz * 10000.0);
  const bool negative = units < 0;
  const unsigned long long magnitude =
      negative ? static_cast<unsigned long long>(-units) : static_cast<unsigned long long>(units);
  std::string out = negative ? "-" : "";
  out += ZeroPad(magnitude / 10000, 3);
  out += separator;
  out += ZeroPad(magnitude % 10000, 4);
  return out;
}

std::string FrequencyTextFromUnits(std::string_view units, char separator) {
  return FormatFrequencyMhz(NumericValue(units) * 0.0001, separator);
}

std::string FormatPadded(double value, int width) {
  const long long rounded = RoundClamped(value);
  const bool negative = rounded < 0;
  std::string out = ZeroPad(static_cast<unsigned long long>(negative ? -rounded : rounded), width);
  if (negative) out.insert(out.begin(), '-');
  return out;
}

}  // namespace scandeck
