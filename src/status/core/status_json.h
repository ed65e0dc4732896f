#pragma once
// The scanner's status as JSON, for programs that read it over the network. The
// field names are shared by every JSON ScanDeck writes, so a subscriber reads one
// shape wherever it comes from. Texts are UTF-8.
#include <string>
#include <string_view>

#include "status/core/scanner_status.h"

namespace scandeck {

// A JSON string literal, quotes included, from the program's Latin-1 bytes: quote,
// backslash and control characters escaped, everything else as UTF-8.
std::string JsonString(std::string_view latin1);

// One object on one line: mode, frequency, channel, name, type, squelch, system,
// trunk_bank, talkgroup, talkgroup_name, talkgroup_type, talkgroup_active,
// scan_banks, id_banks, indicators {data_skip, attenuator, priority, delay, lockout}.
// Texts are trimmed; an empty text is "".
std::string StatusJson(const ScannerStatus& status);

}  // namespace scandeck
