#pragma once
// What an import would change, shown before anything is written, and writing it:
// only entries already in the directory get names (positions mirror the scanner),
// except ScanDeck's own export, which restores each record at its position.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/failure.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "import/core/list_format.h"

namespace scandeck {

inline constexpr std::size_t kNameWidth = 40;
inline constexpr std::size_t kMaxNotFoundKept = 10000;  // listed; the rest are only counted

enum class NameColumn { AlphaTag, Description };

struct ImportOptions {
  NameColumn column = NameColumn::AlphaTag;
  bool replaceNames = false;  // default: only entries without a name get one
  int trunkBank = 1;          // the trunk bank whose IDs talkgroups are matched in
  char separator = '.';       // the decimal separator of the directory's frequency texts
};

// A list's tag or category and the type code it gives.
struct TagType {
  std::string_view tag;
  std::string_view code;
};
// The one table the preview shows; the 17 codes and their meanings map to themselves.
const std::vector<TagType>& TagTypes();
// The type code for a tag, else for the category; empty when neither is in the table.
std::string_view TypeForTag(std::string_view tag, std::string_view category);

// The ID as the scanner shows it to the decimal it stands for: digits as they are,
// "aa-ffs" as agency × 128 + fleet × 8 + subfleet (the 4-4-3 split of the 11-bit
// EDACS group ID); -1 for anything else.
long long IdDecimal(std::string_view shown);

struct PreviewChange {
  bool talkgroup = false;
  int bank = 0;   // trunk bank of a talkgroup
  int entry = 0;  // channel 1..300, or entry 1..100 of the trunk bank
  int line = 0;
  std::string where;      // "Ch 12" or "3-4"
  std::string key;        // the channel's frequency or the entry's ID
  std::string matchedBy;  // "frequency", "decimal", "AFS", "decimal from AFS", "position"
  std::string oldName, oldType, newName, newType;
  bool cut = false;
  int replaced = 0;
  bool restore = false;  // the whole record below goes in its place
  FreqChannel channel;
  IdEntry record;
};

struct NotInDirectory {
  int line = 0;
  std::string key;  // frequency or ID as listed
  std::string name;
  std::string tag;
};

struct ImportPreview {
  std::string format;
  std::string error;  // the list is not read: nothing below counts
  bool talkgroups = false;
  bool restore = false;
  bool commentColumn = false;  // the description column holds comments (CHIRP)
  std::vector<PreviewChange> changes;
  std::vector<NotInDirectory> notFound;  // the first kMaxNotFoundKept
  int notFoundCount = 0;
  SkipLog skipped;
  int kept = 0;      // matched, but the entry has a name and names are not replaced
  int same = 0;      // matched, nothing would change
  int cut = 0;       // names cut to 40 characters
  int replaced = 0;  // characters Latin-1 cannot hold, in the names taken
};

// Reads the whole list from `source` and matches it as it goes: what the preview
// holds is bounded by the directory and the kept lists, whatever the list's length.
ImportPreview BuildPreview(ByteSource& source, const ImportOptions& options, const FreqDirectory& channels,
                           const IdDirectory& talkgroups);
ImportPreview BuildPreview(const ImportList& list, const ImportOptions& options, const FreqDirectory& channels,
                           const IdDirectory& talkgroups);

// Every "not in the directory" row of the list as CSV (UTF-8 BOM, CRLF), for the
// user to keep; the list is read again, so rows past those listed are there too.
// `error` says why the list could not be read again (then the CSV is not whole).
std::string NotInDirectoryCsv(ByteSource& source, const ImportOptions& options, const FreqDirectory& channels,
                              const IdDirectory& talkgroups, std::string& error);

struct DirectoryFiles {
  FreqDirectory& channels;
  RecordFile& channelFile;
  std::string channelPath;
  IdDirectory& talkgroups;
  RecordFile& talkgroupFile;
  std::string talkgroupPath;
};

// Keeps the file that changes as "<file>.bak", then puts the changes into the
// directory and writes only the banks (ID banks) they touch, through the bank
// writers. Nothing is written when the backup fails.
Failure ApplyPreview(const ImportPreview& preview, DirectoryFiles& files);

// The whole of a file as bytes, at most `limit`; `too_big` says it was larger.
Failure ReadWholeFile(const std::string& path, std::string& out, std::size_t limit, bool& too_big);

}  // namespace scandeck
