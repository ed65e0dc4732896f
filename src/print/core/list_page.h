#pragma once
// One printed list page as drawing operations, in twips from the top left corner of
// the printer's printable area. The layout asks a PageMetrics for text sizes, so it
// is the same on paper, in a PDF and in a test.
#include <string>
#include <string_view>
#include <vector>

namespace scandeck {

class FreqDirectory;
class IdDirectory;

inline constexpr int kPrintWidthTwips = 11500;
inline constexpr int kPrintCentreTwips = kPrintWidthTwips / 2;
// Every text on the page is Arial bold at some size.
inline constexpr const char* kPrintFontName = "Arial";

// style: 0 neither, 1 bold, 2 italic, 3 both.
struct PrintFont {
  int size = 12;
  int style = 1;
  bool bold() const { return style & 1; }
  bool italic() const { return style & 2; }
  bool operator==(const PrintFont&) const = default;
};

class PageMetrics {
 public:
  virtual ~PageMetrics() = default;
  // The printed width of `text` and the height of one line, in twips.
  virtual int textWidth(std::string_view text, const PrintFont& font) = 0;
  virtual int lineHeight(const PrintFont& font) = 0;
};

struct PageText {
  std::string text;
  PrintFont font;
  int x = 0;  // top left corner of the text
  int y = 0;
  bool operator==(const PageText&) const = default;
};

// A hairline from (x1, y) to (x2, y).
struct PageLine {
  int x1 = 0;
  int x2 = 0;
  int y = 0;
  bool operator==(const PageLine&) const = default;
};

struct ListPage {
  std::vector<PageText> texts;
  std::vector<PageLine> lines;
};

// What a page carries besides the directory: texts of the platform and the user.
struct PageHeader {
  std::string date;      // the platform's short date
  std::string time;      // the platform's time text; its first five characters print
  std::string user_name;
};

// The pen of the page: a print position and the two drawing operations.
class PageWriter {
 public:
  explicit PageWriter(PageMetrics& metrics) : metrics_(metrics) {}

  // position: 0 left edge, 1 centred, 2 right-aligned, anything else an x in twips.
  // spacing: 1 stays on the same line, anything else moves down that many twips.
  void PrintItem(std::string_view text, int size, int style, int position, int spacing);
  // extra + 1 hairlines at top .. top + extra, centred, `length` long.
  void PrintRule(int top, int length, int extra);
  void moveDown(int twips) { y_ += twips; }
  void setX(int x) { x_ = x; }
  int x() const { return x_; }
  int y() const { return y_; }
  ListPage take() { return std::move(page_); }

 private:
  PageMetrics& metrics_;
  ListPage page_;
  int x_ = 0;
  int y_ = 0;
};

// The frames, the two header lines and their texts, down to where the title starts.
void PrintHeader(PageWriter& pen, const PageHeader& header);
// The 30 channels of frequency bank `bank` (1..10).
ListPage FreqBankPage(const FreqDirectory& channels, int bank, const PageHeader& header, PageMetrics& metrics);
// The ten entries of ID bank `id_bank` (1..10) of trunk bank `bank` (1..10).
ListPage IdBankPage(const IdDirectory& ids, int bank, int id_bank, const PageHeader& header, PageMetrics& metrics);

}  // namespace scandeck
