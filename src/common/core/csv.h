#pragma once
// Text leaving the program as UTF-8: stream titles, CSV exports, the terminal.
#include <string>
#include <string_view>

namespace scandeck {

// The program's Latin-1 bytes as UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);

// One RFC 4180 field: quoted where it holds a comma, a quote or a line break, or
// starts or ends with a blank (which a reader would otherwise trim).
std::string CsvField(std::string_view utf8);

}  // namespace scandeck
