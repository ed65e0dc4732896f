#pragma once
// What a list says, whatever its kind: header recognised by column names with their
// usual aliases in any order (after a preamble too), or a headerless trunk-recorder,
// OP25 or frequency list, an EDACS table in a text document, an alias playlist in
// XML, or ScanDeck's own export. The list is read as a stream: each entry goes to a
// sink as it is read, so nothing holds the whole of a large list.
#include <string>
#include <string_view>
#include <vector>

#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "import/core/list_reader.h"

namespace scandeck {

enum class ListKind { Unknown, Talkgroups, Frequencies, ScanDeck };

// The unit a list gives its frequencies in, decided by their magnitude.
enum class FrequencyUnit { MHz, kHz, Hz };

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

// What a list is, known before its first entry; `skipped` and `error` are complete
// once it has been read.
struct ListInfo {
  ListKind kind = ListKind::Unknown;
  std::string format;  // what the list was recognised as (with the unit read), for the preview
  bool utf8 = false;
  FrequencyUnit unit = FrequencyUnit::MHz;
  // The column taken as the description holds comments (CHIRP's "Comment"): a name
  // only when the user picks it, never in place of an empty name.
  bool commentColumn = false;
  SkipLog skipped;
  std::string error;  // set when the list is not read (then nothing it held counts)
};

// Takes a list's entries (or ScanDeck records) as they are read.
class ListSink {
 public:
  virtual ~ListSink() = default;
  virtual void start(const ListInfo&) {}
  virtual void entry(const ListEntry& entry, SkipLog& skipped) = 0;
  virtual void record(const SavedRecord&, SkipLog&) {}
};

// Reads the whole list from its first byte, in bounded memory.
ListInfo ReadList(ByteSource& source, ListSink& sink);

// A small list with every entry kept, for tests, seeds and benchmarks.
struct ImportList : ListInfo {
  std::vector<ListEntry> entries;
  std::vector<SavedRecord> records;
};
ImportList ReadList(std::string_view bytes);

// The header cell as it is compared: letters and digits only, lower case.
std::string HeaderKey(std::string_view cell);
// "aa-ffs" (agency 0-15, '-', fleet 0-15, subfleet 0-7) or empty.
std::string AfsText(std::string_view text);
// Frequency text to 100 Hz units, rounded; 0 when it is no frequency.
long long FrequencyUnits(std::string_view text, FrequencyUnit unit = FrequencyUnit::MHz);
// The unit in which `text` is a frequency within one of the scanner's bands
// (29-54, 108-174, 406-512, 806-956 MHz); false when it is in none.
bool BandUnit(std::string_view text, FrequencyUnit& unit);
std::string_view UnitName(FrequencyUnit unit);
// 2-character mode suffix "E"/"e" of an encrypted talkgroup ("DE", "Te", "P25E").
bool EncryptedMode(std::string_view mode);

}  // namespace scandeck
