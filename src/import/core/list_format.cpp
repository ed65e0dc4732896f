#include "import/core/list_format.h"

#include <array>
#include <cmath>
#include <optional>

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
constexpr std::array<Alias, 34> kAliases = {{
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
    {"rxfreq", Col::Frequency},
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

std::string Cell(const ListRow& row, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < row.fields.size() ? row.fields[static_cast<std::size_t>(index)] : std::string();
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

// Keeps `entry` or says why not.
void Keep(ImportList& list, ListEntry entry, bool has_id, bool frequency) {
  if (frequency && entry.units <= 0) {
    list.skipped.add(entry.line, "no frequency");
  } else if (!frequency && !has_id) {
    list.skipped.add(entry.line, "no talkgroup ID (neither decimal nor AFS)");
  } else if (Placeholder(entry)) {
    list.skipped.add(entry.line, "no name (empty or \"none\")");
  } else {
    list.entries.push_back(std::move(entry));
  }
}

void FromHeader(const ListText& text, const Columns& cols, std::size_t header_fields, ImportList& list) {
  const bool frequency = At(cols, Col::Frequency) >= 0;
  list.kind = frequency ? ListKind::Frequencies : ListKind::Talkgroups;
  for (std::size_t r = 1; r < text.rows.size(); ++r) {
    const ListRow& row = text.rows[r];
    bool extra = false;
    for (std::size_t i = header_fields; i < row.fields.size(); ++i) extra = extra || !row.fields[i].empty();
    if (extra) {
      list.skipped.add(row.line, std::to_string(row.fields.size()) + " fields where the header has " +
                                     std::to_string(header_fields) + " (a comma that is not quoted?)");
      continue;
    }
    ListEntry e;
    e.line = row.line;
    e.replaced = row.replaced;
    e.alpha = Cell(row, At(cols, Col::Alpha));
    e.description = Cell(row, At(cols, Col::Description));
    e.tag = Cell(row, At(cols, Col::Tag));
    e.category = Cell(row, At(cols, Col::Category));
    e.mode = Cell(row, At(cols, Col::Mode));
    bool has_id = false;
    if (frequency) {
      e.units = FrequencyUnits(Cell(row, At(cols, Col::Frequency)));
    } else {
      if (At(cols, Col::Decimal) >= 0) has_id = TakeId(Cell(row, At(cols, Col::Decimal)), e);
      const std::string afs = AfsText(Cell(row, At(cols, Col::Afs)));
      if (!afs.empty()) e.afs = afs;
      has_id = has_id || !e.afs.empty();
    }
    Keep(list, std::move(e), has_id, frequency);
  }
}

// Trunk-recorder talkgroups (Decimal, Hex, Mode, Alpha Tag, Description, Tag,
// Category, Priority) or OP25's "id<TAB>name"; both without a header.
bool Headerless(const ListText& text, ImportList& list) {
  if (text.rows.empty() || !AllDigits(text.rows.front().fields.front())) return false;
  const bool recorder = text.delimiter == ',' && text.rows.front().fields.size() >= 5;
  list.kind = ListKind::Talkgroups;
  list.format = recorder ? "trunk-recorder talkgroups (no header)" : "ID and name list (no header)";
  for (const ListRow& row : text.rows) {
    ListEntry e;
    e.line = row.line;
    e.replaced = row.replaced;
    const bool has_id = TakeId(Cell(row, 0), e);
    if (recorder) {
      e.mode = Cell(row, 2);
      e.alpha = Cell(row, 3);
      e.description = Cell(row, 4);
      e.tag = Cell(row, 5);
      e.category = Cell(row, 6);
    } else {
      e.alpha = e.description = Cell(row, 1);
      e.tag = Cell(row, 2);
    }
    Keep(list, std::move(e), has_id, false);
  }
  return true;
}

// Text documents with tables under a "DEC  AFS  Mode  Description  Tag" line.
bool EdacsTables(std::string_view bytes, ImportList& list) {
  bool bom = false;
  bytes = StripBom(bytes, bom);
  const bool utf8 = LooksLikeUtf8(bytes);
  const auto lines = SplitLines(bytes);
  std::size_t desc_at = 0, tag_at = 0;
  bool in_table = false, any = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i].substr(0, kMaxLineBytes);
    const auto dec = line.find("DEC"), afs = line.find("AFS"), desc = line.find("Description"), tag = line.find("Tag");
    if (dec != std::string_view::npos && afs != std::string_view::npos && desc != std::string_view::npos &&
        tag != std::string_view::npos && dec < afs && afs < desc && desc < tag) {
      desc_at = desc;
      tag_at = tag;
      in_table = any = true;
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
    e.line = static_cast<int>(i) + 1;
    const std::string head = std::string(line.substr(0, std::min(desc_at, line.size())));
    const auto first = head.find_first_not_of(' ');
    const auto gap = head.find(' ', first);
    e.decimal = head.substr(first, gap - first);
    std::string rest = TrimField(head.substr(std::min(gap, head.size())));
    e.afs = AfsText(rest.substr(0, rest.find(' ')));
    if (rest.find(' ') != std::string::npos) e.mode = TrimField(rest.substr(rest.find(' ')));
    if (desc_at < line.size()) e.description = ToLatin1(TrimField(line.substr(desc_at, tag_at - desc_at)), utf8, e.replaced);
    if (tag_at < line.size()) e.tag = ToLatin1(TrimField(line.substr(tag_at)), utf8, e.replaced);
    e.alpha = e.description;
    if (!AllDigits(e.decimal)) {
      list.skipped.add(e.line, "not a talkgroup line of the table");
      continue;
    }
    list.replaced += e.replaced;
    Keep(list, std::move(e), true, false);
  }
  if (!any) return false;
  list.kind = ListKind::Talkgroups;
  list.format = "EDACS talkgroup tables (DEC, AFS)";
  list.utf8 = utf8;
  return true;
}

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
  return t;
}

long long FrequencyUnits(std::string_view mhz) {
  const std::string t = TrimField(mhz);
  if (t.empty() || t.size() > 16 || t.find_first_not_of("0123456789.") != std::string::npos) return 0;
  const double value = NumericValue(t);
  // Above 10 GHz it is no receive frequency a scanner has.
  if (value <= 0.0 || value >= 10000.0) return 0;
  return std::llround(value * 10000.0);
}

bool EncryptedMode(std::string_view mode) {
  return mode.size() >= 2 && (mode.back() == 'E' || mode.back() == 'e') && mode != "FMNE";
}

ImportList ReadList(std::string_view bytes) {
  ImportList list;
  bool bom = false;
  const std::string_view body = StripBom(bytes, bom);
  const auto start = body.find_first_not_of(" \t\r\n");
  if (start != std::string_view::npos && body[start] == '<') {
    list = ReadAliasPlaylist(bytes);
    return list;
  }
  const ListText text = ReadDelimited(bytes);
  list.utf8 = text.utf8;
  list.skipped = text.skipped;
  list.replaced = text.replaced;
  list.truncated = text.truncated;
  if (!text.rows.empty()) {
    const auto& header = text.rows.front().fields;
    if (IsScanDeckHeader(header)) {
      ReadScanDeckRows(text, list);
      return list;
    }
    if (const auto cols = HeaderColumns(header)) {
      FromHeader(text, *cols, header.size(), list);
      list.format = list.kind == ListKind::Frequencies ? "frequency list (header)" : "talkgroup list (header)";
      list.replaced = 0;
      for (const auto& e : list.entries) list.replaced += e.replaced;
      return list;
    }
  }
  ImportList edacs;
  if (EdacsTables(bytes, edacs)) return edacs;
  if (Headerless(text, list)) return list;
  list.kind = ListKind::Unknown;
  list.error = text.rows.empty() ? "The file holds no list." :
      "No known column names in the first line and no ID in its first field: not a list ScanDeck knows.";
  return list;
}

}  // namespace scandeck
