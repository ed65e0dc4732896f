#pragma once
// Downloaded lists as rows of Latin-1 fields, read in one pass from the start of a
// file: the bytes' encoding guessed, the line ends and quoting of real files
// tolerated, every line and field bounded, so that a list of any length costs
// bounded memory and a huge or binary file costs no more than its reading.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace scandeck {

inline constexpr std::size_t kMaxListBytes = 16u << 20;  // the largest XML playlist we read whole
inline constexpr std::size_t kMaxLineBytes = 4096;       // one record, across joined lines
inline constexpr std::size_t kMaxFieldBytes = 1024;
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

// Where a list's bytes come from: read in pieces, and from the start again for
// each pass (the encoding, the kind of list, the preview with other options).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes; 0 at the end or when reading failed.
  virtual std::size_t read(char* into, std::size_t size) = 0;
  // Back to the first byte; false when that is not possible.
  virtual bool rewind() = 0;
  virtual bool failed() const = 0;
};

class TextSource final : public ByteSource {
 public:
  explicit TextSource(std::string text) : text_(std::move(text)) {}
  std::size_t read(char* into, std::size_t size) override;
  bool rewind() override {
    at_ = 0;
    return true;
  }
  bool failed() const override { return false; }

 private:
  std::string text_;
  std::size_t at_ = 0;
};

class FileSource final : public ByteSource {
 public:
  explicit FileSource(std::string path);
  bool isOpen() const { return in_.is_open(); }
  std::size_t read(char* into, std::size_t size) override;
  bool rewind() override;
  bool failed() const override { return in_.bad(); }

 private:
  std::string path_;
  std::ifstream in_;
};

// What the whole of a source holds, found in one pass.
struct Encoding {
  bool bom = false;    // UTF-8 byte-order mark
  bool utf16 = false;  // a UTF-16 byte-order mark, or ASCII with every other byte NUL
  bool utf8 = false;   // well-formed UTF-8 (or plain ASCII) throughout
  std::uint64_t bytes = 0;
};
Encoding ScanEncoding(ByteSource& source);

// The physical lines of a source whatever its line ends (CRLF, LF or CR alone),
// a UTF-8 BOM left out. A line longer than kMaxLineBytes comes back cut to
// kMaxLineBytes + 1 bytes, the rest of it passed over.
class LineReader {
 public:
  explicit LineReader(ByteSource& source);
  bool next(std::string& line);
  int number() const { return number_; }  // of the line `next` gave, from 1

 private:
  bool fill();
  ByteSource& source_;
  std::vector<char> buffer_;
  std::size_t at_ = 0, end_ = 0;
  int number_ = 0;
  bool started_ = false;
};

struct ListRow {
  int line = 0;  // where the record starts, counted from 1
  std::vector<std::string> fields;
  int replaced = 0;  // characters Latin-1 cannot hold, shown as '?'
};

// Records of a delimited list, one at a time. The delimiter is the one of comma,
// tab and semicolon found on most of the first twenty non-blank lines (a comma on
// a tie). RFC 4180 quoting, plus what real files do: a quote inside a quoted field
// that is not followed by the delimiter or the line end is taken as a character, a
// quote inside an unquoted field too; a quoted field may run over line ends, at
// most kMaxLineBytes in all. Fields are trimmed of blanks, tabs and no-break spaces
// and converted to Latin-1. Lines it cannot read go to `skipped` with the reason.
class DelimitedReader {
 public:
  DelimitedReader(ByteSource& source, bool utf8, SkipLog& skipped);
  bool next(ListRow& row);
  char delimiter() const { return delimiter_; }

 private:
  struct Line {
    int number;
    std::string text;
  };
  bool pull(Line& line);
  LineReader lines_;
  bool utf8_;
  SkipLog& skipped_;
  std::deque<Line> pending_;  // lines looked at ahead, at most a record's worth
  char delimiter_ = ',';
};

// The whole of a small text as rows, for tests and seeds.
struct ListText {
  bool utf8 = false;
  bool bom = false;
  char delimiter = ',';
  std::vector<ListRow> rows;  // non-blank records only
  SkipLog skipped;
  int replaced = 0;
};
ListText ReadDelimited(std::string_view bytes);

// True when `bytes` (without a BOM) is well-formed UTF-8; an incomplete sequence at
// the very end (a cut file) is allowed.
bool LooksLikeUtf8(std::string_view bytes);
// One field to Latin-1: UTF-8 decoded when `utf8`, characters beyond U+00FF become
// '?' and are counted in `replaced`. Latin-1 input is taken as it is.
std::string ToLatin1(std::string_view field, bool utf8, int& replaced);

// Strips the UTF-8 BOM, if any.
std::string_view StripBom(std::string_view bytes, bool& bom);

// Blanks, tabs and no-break spaces (0xA0) trimmed from both ends of Latin-1 text.
std::string TrimField(std::string_view text);

}  // namespace scandeck
