#include "import/core/list_reader.h"

namespace scandeck {

void SkipLog::add(int line, std::string reason) {
  ++count;
  if (lines.size() < kMaxSkippedKept) lines.push_back({line, std::move(reason)});
}

namespace {

// Length of the UTF-8 sequence starting with `lead`; 0 for a byte that cannot start one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

bool IsTrimmed(unsigned char c) { return c == ' ' || c == '\t' || c == 0xA0; }

}  // namespace

bool LooksLikeUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const int n = SequenceLength(static_cast<unsigned char>(bytes[i]));
    if (n == 0) return false;
    if (i + static_cast<std::size_t>(n) > bytes.size()) {
      for (std::size_t k = i + 1; k < bytes.size(); ++k)
        if (!Continuation(static_cast<unsigned char>(bytes[k]))) return false;
      return true;  // a file cut inside its last character
    }
    for (int k = 1; k < n; ++k)
      if (!Continuation(static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]))) return false;
    i += static_cast<std::size_t>(n);
  }
  return true;
}

std::string ToLatin1(std::string_view field, bool utf8, int& replaced) {
  if (!utf8) return std::string(field);
  std::string out;
  out.reserve(field.size());
  std::size_t i = 0;
  while (i < field.size()) {
    const auto lead = static_cast<unsigned char>(field[i]);
    int n = SequenceLength(lead);
    if (n == 1) {
      out += field[i++];
      continue;
    }
    if (n == 0 || i + static_cast<std::size_t>(n) > field.size()) {
      out += '?';
      ++replaced;
      ++i;
      continue;
    }
    unsigned code = n == 2 ? (lead & 0x1Fu) : n == 3 ? (lead & 0x0Fu) : (lead & 0x07u);
    for (int k = 1; k < n; ++k) code = (code << 6) | (static_cast<unsigned char>(field[i + static_cast<std::size_t>(k)]) & 0x3Fu);
    if (code <= 0xFF) {
      out += static_cast<char>(code);
    } else {
      out += '?';
      ++replaced;
    }
    i += static_cast<std::size_t>(n);
  }
  return out;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string_view StripBom(std::string_view bytes, bool& bom) {
  bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  return bom ? bytes.substr(3) : bytes;
}

std::string TrimField(std::string_view text) {
  std::size_t a = 0, b = text.size();
  while (a < b && IsTrimmed(static_cast<unsigned char>(text[a]))) ++a;
  while (b > a && IsTrimmed(static_cast<unsigned char>(text[b - 1]))) --b;
  return std::string(text.substr(a, b - a));
}

namespace {

enum class Parse { Done, OpenQuote, FieldTooLong };

// Splits one record; OpenQuote when a quoted field is still open at its end.
Parse SplitRecord(std::string_view record, char delimiter, std::vector<std::string>& fields) {
  fields.clear();
  std::string field;
  bool in_quotes = false, at_start = true;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const char c = record[i];
    if (in_quotes) {
      if (c == '"') {
        const char next = i + 1 < record.size() ? record[i + 1] : delimiter;
        if (i + 1 < record.size() && next == '"') {
          field += '"';
          ++i;
        } else {
          // A closing quote only before the delimiter (blanks allowed) or the end.
          std::size_t k = i + 1;
          while (k < record.size() && (record[k] == ' ' || record[k] == '\t') && record[k] != delimiter) ++k;
          if (k >= record.size() || record[k] == delimiter) {
            in_quotes = false;
            i = k - 1;
          } else {
            field += '"';
          }
        }
      } else {
        field += c;
      }
    } else if (c == delimiter) {
      fields.push_back(TrimField(field));
      field.clear();
      at_start = true;
      continue;
    } else if (c == '"' && at_start && TrimField(field).empty()) {
      field.clear();
      in_quotes = true;
    } else {
      field += c;
    }
    if (c != ' ' && c != '\t') at_start = false;
    if (field.size() > kMaxFieldBytes) return Parse::FieldTooLong;
  }
  if (in_quotes) return Parse::OpenQuote;
  fields.push_back(TrimField(field));
  return Parse::Done;
}

bool Blank(const std::vector<std::string>& fields) {
  for (const auto& f : fields)
    if (!TrimField(f).empty()) return false;
  return true;
}

}  // namespace

ListText ReadDelimited(std::string_view bytes) {
  ListText out;
  if (bytes.size() > kMaxListBytes) {
    bytes = bytes.substr(0, kMaxListBytes);
    out.truncated = true;
  }
  bytes = StripBom(bytes, out.bom);
  out.utf8 = out.bom || LooksLikeUtf8(bytes);
  const std::vector<std::string_view> lines = SplitLines(bytes);
  for (auto line : lines) {
    if (TrimField(line).empty()) continue;
    if (line.find('\t') != std::string_view::npos && line.find(',') == std::string_view::npos) out.delimiter = '\t';
    break;
  }
  std::vector<std::string> fields;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    if (lines[i].find('\0') != std::string_view::npos) {
      out.skipped.add(number, "binary data (a NUL byte)");
      continue;
    }
    if (lines[i].size() > kMaxLineBytes) {
      out.skipped.add(number, "line longer than " + std::to_string(kMaxLineBytes) + " bytes");
      continue;
    }
    std::string record(lines[i]);
    std::size_t last = i;
    Parse parse = SplitRecord(record, out.delimiter, fields);
    // A quoted field over line ends: join the next lines while the record stays short.
    while (parse == Parse::OpenQuote && last + 1 < lines.size() && record.size() + lines[last + 1].size() < kMaxLineBytes) {
      record.append("\n").append(lines[++last]);
      parse = SplitRecord(record, out.delimiter, fields);
    }
    if (parse == Parse::OpenQuote) {
      out.skipped.add(number, "a quote that is never closed");
      continue;  // go on with the next line, not past the lines tried
    }
    i = last;
    if (parse == Parse::FieldTooLong) {
      out.skipped.add(number, "a field longer than " + std::to_string(kMaxFieldBytes) + " bytes");
      continue;
    }
    if (Blank(fields)) continue;
    if (out.rows.size() >= kMaxRows) {
      out.truncated = true;
      out.skipped.add(number, "past the first " + std::to_string(kMaxRows) + " rows");
      break;
    }
    ListRow row{number, {}, 0};
    row.fields.reserve(fields.size());
    for (const auto& f : fields) row.fields.push_back(ToLatin1(f, out.utf8, row.replaced));
    out.replaced += row.replaced;
    out.rows.push_back(std::move(row));
  }
  return out;
}

}  // namespace scandeck
