#pragma once
// What a list says, whatever its kind: header recognised by column names with their
// usual aliases in any order, or a headerless trunk-recorder/OP25 list, an EDACS
// table in a text document, an alias playlist in XML, or ScanDeck's own export.
#include <string>
#include <string_view>
#include <vector>

#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "import/core/list_reader.h"

namespace scandeck {

enum class ListKind { Unknown, Talkgroups, Frequencies, ScanDeck };

struct ListEntry {
  int line = 0;
  std::string decimal;  // digits as listed, or empty
  std::string afs;      // "aa-ffs" as listed, or empty
  long long units = 0;  // frequency in 100 Hz units; 0 when none
  std::string alpha, description, tag, category, mode;
  int replaced = 0;
};

// One row of ScanDeck's own export: a whole record and where it goes.
struct SavedRecord {
  int line = 0;
  bool talkgroup = false;
  int record = 0;  // channel 1..300, or ID record 1..1000
  long long units = 0;
  FreqChannel channel;  // frequency text formatted when the preview is built
  IdEntry entry;
  int replaced = 0;
};

struct ImportList {
  ListKind kind = ListKind::Unknown;
  std::string format;  // what the list was recognised as, for the preview
  bool utf8 = false;
  std::vector<ListEntry> entries;
  std::vector<SavedRecord> records;
  SkipLog skipped;
  int replaced = 0;
  bool truncated = false;
  std::string error;  // set when nothing could be recognised
};

// The header cell as it is compared: letters and digits only, lower case.
std::string HeaderKey(std::string_view cell);
// "aa-ffs" (two digits, '-', three digits) or empty.
std::string AfsText(std::string_view text);
// Frequency text in MHz to 100 Hz units, rounded; 0 when it is no frequency.
long long FrequencyUnits(std::string_view mhz);
// 2-character mode suffix "E"/"e" of an encrypted talkgroup ("DE", "Te", "P25E").
bool EncryptedMode(std::string_view mode);

ImportList ReadList(std::string_view bytes);

}  // namespace scandeck
