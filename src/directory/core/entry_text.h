#pragma once
// How the directory windows read what their lists and boxes hold.
#include <cstddef>
#include <string>
#include <string_view>

namespace scandeck {

// What a directory window's list or box holds as a whole number: its numeric
// value rounded, -1 for anything too large to name a bank or an entry.
int ListValue(std::string_view text);
// A typed field as its record keeps it: blanks trimmed, cut to `width`.
std::string RecordText(std::string_view text, std::size_t width);

}  // namespace scandeck
