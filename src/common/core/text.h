#pragma once
// Byte-text helpers shared by every subsystem. Text is ISO 8859-1 bytes in std::string.
#include <cstdint>
#include <string>
#include <string_view>

namespace scandeck {

// Removes blanks (0x20) only; NULs and other bytes are data.
std::string_view TrimBlanks(std::string_view text);
std::string TrimBlanksCopy(std::string_view text);
// Blanks and tabs, for text typed by the user.
std::string_view TrimSpace(std::string_view text);
std::string ToUpperAscii(std::string_view text);

// The leading number of a text: blanks skipped, optional sign, digits, "." as decimal
// point whatever the locale; 0 when the text does not begin with a number.
double NumericValue(std::string_view text);

// Characters first..first+count-1 of a reply, counted from 1; cut short past the end.
std::string_view Mid(std::string_view text, std::size_t first, std::size_t count);
std::string_view MidRest(std::string_view text, std::size_t first);

// "000.0000": at least three integer digits, `separator`, four decimals.
std::string FormatFrequencyMhz(double mhz, char separator);
// Eight digits in units of 100 Hz (or anything shorter) to the frequency text.
std::string FrequencyTextFromUnits(std::string_view units, char separator);
// Zero-padded whole number of at least `width` digits, rounded; negative keeps its sign.
std::string FormatPadded(double value, int width);

}  // namespace scandeck
