#pragma once
// Downloaded lists as rows of Latin-1 fields: the bytes' encoding guessed, the
// line ends and quoting of real files tolerated, every limit bounded so a huge
// or binary file costs bounded time and memory.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace scandeck {

inline constexpr std::size_t kMaxListBytes = 16u << 20;  // the largest list we read
inline constexpr std::size_t kMaxLineBytes = 4096;       // one record, across joined lines
inline constexpr std::size_t kMaxFieldBytes = 1024;
inline constexpr std::size_t kMaxRows = 100000;
inline constexpr std::size_t kMaxSkippedKept = 500;  // the rest are only counted

struct SkippedLine {
  int line = 0;
  std::string reason;
};

// Lines the reader or the matcher passed over, with the first few hundred kept.
struct SkipLog {
  std::vector<SkippedLine> lines;
  int count = 0;
  void add(int line, std::string reason);
};

struct ListRow {
  int line = 0;  // where the record starts, counted from 1
  std::vector<std::string> fields;
  int replaced = 0;  // characters Latin-1 cannot hold, shown as '?'
};

struct ListText {
  bool utf8 = false;
  bool bom = false;
  char delimiter = ',';
  std::vector<ListRow> rows;  // non-blank records only
  SkipLog skipped;
  int replaced = 0;
  bool truncated = false;  // more than kMaxRows records, or a file larger than kMaxListBytes
};

// True when `bytes` (without a BOM) is well-formed UTF-8; an incomplete sequence at
// the very end (a cut file) is allowed.
bool LooksLikeUtf8(std::string_view bytes);
// One field to Latin-1: UTF-8 decoded when `utf8`, characters beyond U+00FF become
// '?' and are counted in `replaced`. Latin-1 input is taken as it is.
std::string ToLatin1(std::string_view field, bool utf8, int& replaced);

// The physical lines of a text whatever its line ends (CRLF, LF or CR alone).
std::vector<std::string_view> SplitLines(std::string_view text);

// Reads a delimited list. The delimiter is a tab when the first non-blank line has
// tabs and no commas, else a comma. RFC 4180 quoting, plus what real files do: a
// quote inside a quoted field that is not followed by the delimiter or the line end
// is taken as a character, a quote inside an unquoted field too; a quoted field may
// run over line ends, at most kMaxLineBytes in all. Fields are trimmed of blanks,
// tabs and no-break spaces.
ListText ReadDelimited(std::string_view bytes);

// Strips the UTF-8 BOM, if any, and decides the encoding of the rest.
std::string_view StripBom(std::string_view bytes, bool& bom);

// Blanks, tabs and no-break spaces (0xA0) trimmed from both ends of Latin-1 text.
std::string TrimField(std::string_view text);

}  // namespace scandeck
