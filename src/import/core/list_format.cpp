#include "import/core/list_format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

#include "common/core/text.h"
#include "import/core/alias_playlist.h"
#include "import/core/directory_csv.h"

namespace scandeck {

namespace {

enum class Col { Decimal, Hex, Afs, Alpha, Description, Tag, Category, Mode, Frequency, Count };

struct Alias {
  std::string_view key;
  Col col;
};
// Column names seen in the wild, as HeaderKey compares them.
constexpr std::array<Alias, 38> kAliases = {{
    {"decimal", Col::Decimal},      {"dec", Col::Decimal},          {"tgid", Col::Decimal},
    {"talkgroup", Col::Decimal},    {"talkgroupid", Col::Decimal},  {"tg", Col::Decimal},
    {"id", Col::Decimal},           {"decimalid", Col::Decimal},    {"hex", Col::Hex},
    {"afs", Col::Afs},              {"alphatag", Col::Alpha},       {"alpha", Col::Alpha},
    {"name", Col::Alpha},           {"nameofgroup", Col::Alpha},    {"alias", Col::Alpha},
    {"description", Col::Description}, {"groupdescription", Col::Description}, {"comment", Col::Description},
    {"desc", Col::Description},     {"tag", Col::Tag},              {"servicetag", Col::Tag},
    {"category", Col::Category},    {"agencycategory", Col::Category}, {"group", Col::Category},
    {"mode", Col::Mode},            {"modulation", Col::Mode},      {"frequencyoutput", Col::Frequency},
    {"frequency", Col::Frequency},  {"frequencymhz", Col::Frequency}, {"freq", Col::Frequency},
    {"outputfrequency", Col::Frequency}, {"rxfrequency", Col::Frequency}, {"receivefrequency", Col::Frequency},
    {"rxfreq", Col::Frequency},     {"frequencyhz", Col::Frequency}, {"frequencykhz", Col::Frequency},
    {"tags", Col::Tag},
}};

using Columns = std::array<int, static_cast<std::size_t>(Col::Count)>;

int& At(Columns& c, Col col) { return c[static_cast<std::size_t>(col)]; }
int At(const Columns& c, Col col) { return c[static_cast<std::size_t>(col)]; }

std::optional<Columns> HeaderColumns(const std::vector<std::string>& cells) {
  Columns cols;
  cols.fill(-1);
  int known = 0;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const std::string key = HeaderKey(cells[i]);
    for (const Alias& a : kAliases)
      if (a.key == key && At(cols, a.col) < 0) {
        At(cols, a.col) = static_cast<int>(i);
        ++known;
      }
  }
  const bool keyed = At(cols, Col::Decimal) >= 0 || At(cols, Col::Afs) >= 0 || At(cols, Col::Frequency) >= 0;
  if (known < 2 || !keyed) return std::nullopt;
  return cols;
}

bool AllDigits(std::string_view s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string Cell(const std::vector<std::string>& fields, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < fields.size() ? fields[static_cast<std::size_t>(index)] : std::string();
}

// An ID cell: decimal digits or an AFS text; false for anything else.
bool TakeId(std::string_view text, ListEntry& entry) {
  if (AllDigits(text)) {
    entry.decimal = std::string(text);
    return true;
  }
  entry.afs = AfsText(text);
  return !entry.afs.empty();
}

bool Placeholder(const ListEntry& e) {
  auto none = [](const std::string& s) { return s.empty() || HeaderKey(s) == "none"; };
  return none(e.alpha) && none(e.description);
}

// Hands `entry` on or says why not.
void Offer(ListSink& sink, SkipLog& skipped, const ListEntry& entry, bool has_id, bool frequency) {
  if (frequency && entry.units <= 0) {
    skipped.add(entry.line, "no frequency");
  } else if (!frequency && !has_id) {
    skipped.add(entry.line, "no talkgroup ID (neither decimal nor AFS)");
  } else if (Placeholder(entry)) {
    skipped.add(entry.line, "no name (empty or \"none\")");
  } else {
    sink.entry(entry, skipped);
  }
}

// How the rows of a delimited list are read, decided from its first rows.
struct Layout {
  ListKind kind = ListKind::Unknown;
  enum class Form { Header, ScanDeck, Recorder, RecorderChannels, IdAndName, FrequencyAndName } form = Form::Header;
  Columns cols{};
  std::size_t headerFields = 0;
  int headerRow = -1;  // index of the header among the rows; -1 without one
};

constexpr std::size_t kSampleRows = 1000;  // rows that decide a list's kind and unit

// A number that can only be a frequency: in a band as Hz (no talkgroup ID of any
// system comes near 29 million), or a decimal fraction in a band.
bool FrequencyNotId(std::string_view cell) {
  FrequencyUnit unit;
  if (!BandUnit(cell, unit)) return false;
  return unit == FrequencyUnit::Hz || cell.find('.') != std::string_view::npos;
}

// True when most numbers of column `col` (rows from `from`) are frequencies.
bool HoldsFrequencies(const std::vector<ListRow>& rows, std::size_t from, int col) {
  int frequencies = 0, ids = 0;
  for (std::size_t r = from; r < rows.size(); ++r) {
    const std::string cell = Cell(rows[r].fields, col);
    if (FrequencyNotId(cell)) ++frequencies;
    else if (AllDigits(cell)) ++ids;
  }
  return frequencies > ids;
}

FrequencyUnit VoteUnit(const std::vector<ListRow>& rows, std::size_t from, int col) {
  std::array<int, 3> votes{};
  for (std::size_t r = from; r < rows.size(); ++r) {
    FrequencyUnit unit;
    if (BandUnit(Cell(rows[r].fields, col), unit)) ++votes[static_cast<std::size_t>(unit)];
  }
  std::size_t best = 0;
  for (std::size_t u = 1; u < votes.size(); ++u)
    if (votes[u] > votes[best]) best = u;
  return static_cast<FrequencyUnit>(best);
}

// The cells of a row that has more than the header, put back in their columns:
// unquoted commas split a free-text cell, and the description is the one such
// cell a list has (joined again with ", ", as such text is mostly written). Cells left of it count from the left, those right of it from
// the right, and the description is what lies between. False when the name column
// lies right of the description, or there is none: then the name cannot be told.
bool Realign(const Layout& l, std::vector<std::string>& fields, bool& joined) {
  std::size_t n = fields.size();
  while (n > l.headerFields && fields[n - 1].empty()) --n;
  fields.resize(n);
  joined = n > l.headerFields;
  if (!joined) return true;
  const int desc = At(l.cols, Col::Description), alpha = At(l.cols, Col::Alpha);
  if (desc < 0 || alpha > desc) return false;
  const std::size_t extra = n - l.headerFields, d = static_cast<std::size_t>(desc);
  std::string cell = fields[d];
  for (std::size_t k = d + 1; k <= d + extra; ++k) cell += ", " + fields[k];
  fields[d] = std::move(cell);
  fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(d) + 1, fields.begin() + static_cast<std::ptrdiff_t>(d + extra) + 1);
  return true;
}

std::string Shifted(std::size_t fields, std::size_t header) {
  return std::to_string(fields) + " fields where the header has " + std::to_string(header) + " (a comma that is not quoted?)";
}

std::string WithUnit(std::string format, const ListInfo& info) {
  if (info.kind == ListKind::Frequencies) format += ", frequencies in " + std::string(UnitName(info.unit));
  return format;
}

// A header in the first row, or after a preamble (a receiver's bookmarks after
// their tag table); false when none of the first rows is one.
bool HeaderLayout(const std::vector<ListRow>& sample, std::size_t first, std::size_t last, Layout& l, ListInfo& info) {
  for (std::size_t r = first; r < std::min(last, sample.size()); ++r) {
    const auto& cells = sample[r].fields;
    if (r == 0 && IsScanDeckHeader(cells)) {
      l.form = Layout::Form::ScanDeck;
      l.headerRow = 0;
      info.kind = l.kind = ListKind::ScanDeck;
      info.format = "ScanDeck export (positions restored)";
      return true;
    }
    const auto cols = HeaderColumns(cells);
    if (!cols) continue;
    l.cols = *cols;
    l.headerRow = static_cast<int>(r);
    l.headerFields = cells.size();
    // A column of IDs that are frequencies makes a frequency list.
    if (At(l.cols, Col::Frequency) < 0 && At(l.cols, Col::Decimal) >= 0 && HoldsFrequencies(sample, r + 1, At(l.cols, Col::Decimal))) {
      At(l.cols, Col::Frequency) = At(l.cols, Col::Decimal);
      At(l.cols, Col::Decimal) = -1;
    }
    const bool frequency = At(l.cols, Col::Frequency) >= 0;
    info.kind = l.kind = frequency ? ListKind::Frequencies : ListKind::Talkgroups;
    if (frequency) info.unit = VoteUnit(sample, r + 1, At(l.cols, Col::Frequency));
    const int desc = At(l.cols, Col::Description);
    info.commentColumn = desc >= 0 && HeaderKey(cells[static_cast<std::size_t>(desc)]) == "comment";
    info.format = WithUnit(frequency ? "frequency list (header)" : "talkgroup list (header)", info);
    // Rows that a comma out of place shifts, with no way to tell their name: when
    // that is most of the list, nothing of it is read.
    int rows = 0, lost = 0;
    for (std::size_t k = r + 1; k < sample.size(); ++k) {
      ++rows;
      std::vector<std::string> fields = sample[k].fields;
      bool joined = false;
      lost += !Realign(l, fields, joined);
    }
    if (lost > 0 && 2 * lost > rows)
      info.error = std::to_string(lost) + " of the first " + std::to_string(rows) + " rows have more cells than the header line "
                   "(commas that are not quoted), and which cell is the name cannot be told: the list is not read.";
    return true;
  }
  return false;
}

// Trunk-recorder talkgroups (Decimal, Hex, Mode, Alpha Tag, Description, Tag,
// Category, Priority), OP25's "id<TAB>name", or frequencies in Hz and a name (a
// receiver's bookmarks); all without a header.
bool HeaderlessLayout(const std::vector<ListRow>& sample, char delimiter, Layout& l, ListInfo& info) {
  if (sample.empty() || !AllDigits(sample.front().fields.front())) return false;
  if (HoldsFrequencies(sample, 0, 0)) {
    l.form = Layout::Form::FrequencyAndName;
    info.kind = l.kind = ListKind::Frequencies;
    info.unit = VoteUnit(sample, 0, 0);
    info.format = WithUnit("frequency and name list (no header)", info);
    return true;
  }
  const bool recorder = delimiter == ',' && sample.front().fields.size() >= 5;
  // Trunk-recorder's conventional channels: TG Number, Frequency, Tone, Alpha Tag, ...
  if (recorder && HoldsFrequencies(sample, 0, 1)) {
    l.form = Layout::Form::RecorderChannels;
    info.kind = l.kind = ListKind::Frequencies;
    info.unit = VoteUnit(sample, 0, 1);
    info.format = WithUnit("trunk-recorder channels (no header)", info);
    return true;
  }
  l.form = recorder ? Layout::Form::Recorder : Layout::Form::IdAndName;
  info.kind = l.kind = ListKind::Talkgroups;
  info.format = recorder ? "trunk-recorder talkgroups (no header)" : "ID and name list (no header)";
  return true;
}

void EmitRow(const Layout& l, int index, ListRow& row, ListInfo& info, ListSink& sink) {
  SkipLog& skipped = info.skipped;
  if (index < l.headerRow) {
    skipped.add(row.line, "before the header line");
    return;
  }
  if (index == l.headerRow) return;
  if (l.headerRow > 0 && !row.fields.front().empty() && row.fields.front().front() == '#') {
    skipped.add(row.line, "a comment line");  // bookmark files keep their section titles so
    return;
  }
  if (l.form == Layout::Form::ScanDeck) {
    SavedRecord s;
    if (ScanDeckRecord(row, s, skipped)) sink.record(s, skipped);
    return;
  }
  ListEntry e;
  e.line = row.line;
  e.replaced = row.replaced;
  const auto& f = row.fields;
  if (l.form == Layout::Form::FrequencyAndName) {
    e.units = FrequencyUnits(Cell(f, 0), info.unit);
    e.alpha = e.description = Cell(f, 1);
    Offer(sink, skipped, e, false, true);
    return;
  }
  if (l.form != Layout::Form::Header) {
    const bool channels = l.form == Layout::Form::RecorderChannels;
    const bool has_id = !channels && TakeId(Cell(f, 0), e);
    if (channels) e.units = FrequencyUnits(Cell(f, 1), info.unit);
    if (l.form == Layout::Form::Recorder || channels) {
      if (!channels) e.mode = Cell(f, 2);  // a channel's third cell is its tone
      e.alpha = Cell(f, 3);
      e.description = Cell(f, 4);
      e.tag = Cell(f, 5);
      e.category = Cell(f, 6);
    } else {
      e.alpha = e.description = Cell(f, 1);
      e.tag = Cell(f, 2);
    }
    Offer(sink, skipped, e, has_id, channels);
    return;
  }
  const std::size_t listed = row.fields.size();
  bool joined = false;
  if (!Realign(l, row.fields, joined)) {
    skipped.add(row.line, Shifted(listed, l.headerFields));
    return;
  }
  const Columns& cols = l.cols;
  e.alpha = Cell(f, At(cols, Col::Alpha));
  e.description = Cell(f, At(cols, Col::Description));
  e.tag = Cell(f, At(cols, Col::Tag));
  e.category = Cell(f, At(cols, Col::Category));
  e.mode = Cell(f, At(cols, Col::Mode));
  const bool frequency = l.kind == ListKind::Frequencies;
  bool has_id = false;
  if (frequency) {
    e.units = FrequencyUnits(Cell(f, At(cols, Col::Frequency)), info.unit);
  } else {
    if (At(cols, Col::Decimal) >= 0) has_id = TakeId(Cell(f, At(cols, Col::Decimal)), e);
    const std::string afs = AfsText(Cell(f, At(cols, Col::Afs)));
    if (!afs.empty()) e.afs = afs;
    has_id = has_id || !e.afs.empty();
  }
  // A realigned row whose key is no longer one was not shifted by its description.
  if (joined && (frequency ? e.units <= 0 : !has_id)) {
    skipped.add(row.line, Shifted(listed, l.headerFields));
    return;
  }
  Offer(sink, skipped, e, has_id, frequency);
}

// Text documents with tables under a "DEC  AFS  Mode  Description  Tag" line, read
// line by line; false (nothing handed on) when no such line is found.
bool EdacsTables(ByteSource& source, ListInfo& info, ListSink& sink) {
  if (!source.rewind()) return false;
  LineReader lines(source);
  std::string raw;
  std::size_t desc_at = 0, tag_at = 0;
  bool in_table = false, any = false;
  while (lines.next(raw)) {
    const std::string_view line = std::string_view(raw).substr(0, kMaxLineBytes);
    const auto dec = line.find("DEC"), afs = line.find("AFS"), desc = line.find("Description"), tag = line.find("Tag");
    if (dec != std::string_view::npos && afs != std::string_view::npos && desc != std::string_view::npos &&
        tag != std::string_view::npos && dec < afs && afs < desc && desc < tag) {
      desc_at = desc;
      tag_at = tag;
      in_table = true;
      if (!any) {
        any = true;
        info.kind = ListKind::Talkgroups;
        info.format = "EDACS talkgroup tables (DEC, AFS)";
        info.skipped = {};
        sink.start(info);
      }
      continue;
    }
    if (!in_table) continue;
    const std::string trimmed = TrimField(line);
    if (trimmed.empty() || trimmed.front() == '-') continue;
    if (trimmed.front() < '0' || trimmed.front() > '9') {
      in_table = false;
      continue;
    }
    ListEntry e;
    e.line = lines.number();
    const std::string head = std::string(line.substr(0, std::min(desc_at, line.size())));
    const auto first = head.find_first_not_of(' ');
    const auto gap = head.find(' ', first);
    e.decimal = head.substr(first, gap - first);
    std::string rest = TrimField(head.substr(std::min(gap, head.size())));
    e.afs = AfsText(rest.substr(0, rest.find(' ')));
    if (rest.find(' ') != std::string::npos) e.mode = TrimField(rest.substr(rest.find(' ')));
    if (desc_at < line.size()) e.description = ToLatin1(TrimField(line.substr(desc_at, tag_at - desc_at)), info.utf8, e.replaced);
    if (tag_at < line.size()) e.tag = ToLatin1(TrimField(line.substr(tag_at)), info.utf8, e.replaced);
    e.alpha = e.description;
    if (!AllDigits(e.decimal)) {
      info.skipped.add(e.line, "not a talkgroup line of the table");
      continue;
    }
    Offer(sink, info.skipped, e, true, false);
  }
  return any;
}

// The first non-blank character of the source is '<'.
bool StartsWithTag(ByteSource& source) {
  std::string start(4096, '\0');
  start.resize(source.read(start.data(), start.size()));
  bool bom = false;
  const std::string_view body = StripBom(start, bom);
  const auto at = body.find_first_not_of(" \t\r\n");
  return at != std::string_view::npos && body[at] == '<';
}

class Collector final : public ListSink {
 public:
  explicit Collector(ImportList& list) : list_(list) {}
  void entry(const ListEntry& e, SkipLog&) override { list_.entries.push_back(e); }
  void record(const SavedRecord& s, SkipLog&) override { list_.records.push_back(s); }

 private:
  ImportList& list_;
};

}  // namespace

std::string HeaderKey(std::string_view cell) {
  std::string key;
  for (char c : cell) {
    if (c >= 'A' && c <= 'Z') key += static_cast<char>(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) key += c;
  }
  return key;
}

std::string AfsText(std::string_view text) {
  const std::string t = TrimField(text);
  if (t.size() != 6 || t[2] != '-') return {};
  for (std::size_t i : {0u, 1u, 3u, 4u, 5u})
    if (t[i] < '0' || t[i] > '9') return {};
  // Four bits of agency, four of fleet, three of subfleet.
  const int agency = (t[0] - '0') * 10 + (t[1] - '0'), fleet = (t[3] - '0') * 10 + (t[4] - '0');
  if (agency > 15 || fleet > 15 || t[5] > '7') return {};
  return t;
}

namespace {

bool PlainNumber(const std::string& t) {
  return !t.empty() && t.size() <= 16 && t.find_first_not_of("0123456789.") == std::string::npos;
}

constexpr double kPerMhz[] = {1.0, 1e3, 1e6};  // by FrequencyUnit

}  // namespace

long long FrequencyUnits(std::string_view text, FrequencyUnit unit) {
  const std::string t = TrimField(text);
  if (!PlainNumber(t)) return 0;
  const double mhz = NumericValue(t) / kPerMhz[static_cast<int>(unit)];
  // Above 10 GHz it is no receive frequency a scanner has.
  if (mhz <= 0.0 || mhz >= 10000.0) return 0;
  return std::llround(mhz * 10000.0);
}

bool BandUnit(std::string_view text, FrequencyUnit& unit) {
  const std::string t = TrimField(text);
  if (!PlainNumber(t)) return false;
  const double value = NumericValue(t);
  constexpr std::pair<double, double> kBands[] = {{29, 54}, {108, 174}, {406, 512}, {806, 956}};
  for (const FrequencyUnit u : {FrequencyUnit::MHz, FrequencyUnit::kHz, FrequencyUnit::Hz}) {
    const double mhz = value / kPerMhz[static_cast<int>(u)];
    for (const auto& [low, high] : kBands)
      if (mhz >= low && mhz <= high) {
        unit = u;
        return true;
      }
  }
  return false;
}

std::string_view UnitName(FrequencyUnit unit) {
  return unit == FrequencyUnit::Hz ? "Hz" : unit == FrequencyUnit::kHz ? "kHz" : "MHz";
}

bool EncryptedMode(std::string_view mode) {
  return mode.size() >= 2 && (mode.back() == 'E' || mode.back() == 'e') && mode != "FMNE";
}

ListInfo ReadList(ByteSource& source, ListSink& sink) {
  ListInfo info;
  const auto unreadable = [&info] {
    info.error = "The file could not be read to its end.";
    return info;
  };
  if (!source.rewind()) return unreadable();
  const Encoding encoding = ScanEncoding(source);
  if (source.failed()) return unreadable();
  if (encoding.utf16) {
    info.error = "UTF-16 lists are not read: save it as UTF-8.";
    return info;
  }
  info.utf8 = encoding.utf8;
  if (!source.rewind()) return unreadable();
  if (StartsWithTag(source)) {
    if (encoding.bytes > kMaxListBytes) {
      info.error = "An XML list larger than " + std::to_string(kMaxListBytes >> 20) + " MiB is not read.";
      return info;
    }
    std::string bytes(static_cast<std::size_t>(encoding.bytes), '\0');
    if (!source.rewind() || source.read(bytes.data(), bytes.size()) != bytes.size()) return unreadable();
    ReadAliasPlaylist(bytes, info, sink);
    return info;
  }
  // The first rows decide what the list is; then it is read from the start.
  std::vector<ListRow> sample;
  char delimiter = ',';
  {
    if (!source.rewind()) return unreadable();
    SkipLog scratch;
    DelimitedReader reader(source, info.utf8, scratch);
    delimiter = reader.delimiter();
    ListRow row;
    while (sample.size() < kSampleRows && reader.next(row)) sample.push_back(row);
  }
  Layout layout;
  if (!HeaderLayout(sample, 0, 1, layout, info)) {
    if (EdacsTables(source, info, sink)) return source.failed() ? unreadable() : info;
    if (!HeaderlessLayout(sample, delimiter, layout, info) && !HeaderLayout(sample, 1, 64, layout, info)) {
      info.error = sample.empty() ? "The file holds no list." :
          "No known column names in the first lines and no ID in the first field: not a list ScanDeck knows.";
      return info;
    }
  }
  if (!info.error.empty()) return info;
  if (!source.rewind()) return unreadable();
  DelimitedReader reader(source, info.utf8, info.skipped);
  sink.start(info);
  ListRow row;
  for (int index = 0; reader.next(row); ++index) EmitRow(layout, index, row, info, sink);
  if (source.failed()) return unreadable();
  return info;
}

ImportList ReadList(std::string_view bytes) {
  ImportList list;
  TextSource source{std::string(bytes)};
  Collector collector(list);
  static_cast<ListInfo&>(list) = ReadList(source, collector);
  return list;
}

}  // namespace scandeck
