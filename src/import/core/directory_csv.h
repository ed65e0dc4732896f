#pragma once
// ScanDeck's own CSV of the directories: every field of every record with its
// position, so that importing it restores the records where they were.
#include <string>
#include <string_view>
#include <vector>

#include "common/core/csv.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "import/core/list_format.h"

namespace scandeck {

inline constexpr std::string_view kExportHeader = "Directory,Record,Bank,Entry,Frequency,ID,Type,Name,Delay,Lockout,Mode";
inline constexpr std::string_view kChannelsTag = "Channels";
inline constexpr std::string_view kTalkgroupsTag = "Talkgroups";

// What to export: channels, talkgroups or both; bank 0 for every bank.
struct ExportChoice {
  bool channels = true;
  bool talkgroups = true;
  int bank = 0;
};

// RFC 4180 CSV: UTF-8 with a byte-order mark, CRLF line ends, a header row.
std::string ExportDirectories(const FreqDirectory& channels, const IdDirectory& talkgroups, const ExportChoice& choice);
// One field quoted when it must be (delimiter, quote, line end, or blanks at an end).
// Latin-1 to UTF-8.

bool IsScanDeckHeader(const std::vector<std::string>& cells);
// One row after the header as the record it restores; false (with the reason) when it is none.
bool ScanDeckRecord(const ListRow& row, SavedRecord& s, SkipLog& skipped);

}  // namespace scandeck
