#pragma once
#include <array>
#include <string_view>

namespace scandeck {

// Entries 1..12; the log's daily file names use them.
inline constexpr std::array<std::string_view, 13> kMonthNames = {"",    "jan", "feb", "mar", "apr", "may", "jun",
                                                                 "jul", "aug", "sep", "oct", "nov", "dec"};

}  // namespace scandeck
