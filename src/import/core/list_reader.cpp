#include "import/core/list_reader.h"

#include <algorithm>
#include <cstring>

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

DelimitedReader::DelimitedReader(ByteSource& source, bool utf8, SkipLog& skipped)
    : lines_(source), utf8_(utf8), skipped_(skipped) {
  // The first twenty non-blank lines vote for the delimiter they all hold.
  int commas = 0, tabs = 0, semicolons = 0, seen = 0;
  Line line;
  while (seen < 20 && lines_.next(line.text)) {
    line.number = lines_.number();
    pending_.push_back(line);
    if (TrimField(line.text).empty()) continue;
    ++seen;
    commas += line.text.find(',') != std::string::npos;
    tabs += line.text.find('\t') != std::string::npos;
    semicolons += line.text.find(';') != std::string::npos;
  }
  if (tabs > commas && tabs >= semicolons) delimiter_ = '\t';
  else if (semicolons > commas && semicolons > tabs) delimiter_ = ';';
}

bool DelimitedReader::pull(Line& line) {
  if (!pending_.empty()) {
    line = std::move(pending_.front());
    pending_.pop_front();
    return true;
  }
  if (!lines_.next(line.text)) return false;
  line.number = lines_.number();
  return true;
}

bool DelimitedReader::next(ListRow& row) {
  std::vector<std::string> fields;
  Line line;
  while (pull(line)) {
    if (line.text.find('\0') != std::string::npos) {
      skipped_.add(line.number, "binary data (a NUL byte)");
      continue;
    }
    if (line.text.size() > kMaxLineBytes) {
      skipped_.add(line.number, "line longer than " + std::to_string(kMaxLineBytes) + " bytes");
      continue;
    }
    std::string record = line.text;
    std::vector<Line> joined;
    Parse parse = SplitRecord(record, delimiter_, fields);
    // A quoted field over line ends: join the next lines while the record stays short.
    Line more;
    while (parse == Parse::OpenQuote && pull(more)) {
      if (record.size() + more.text.size() >= kMaxLineBytes) {
        pending_.push_front(std::move(more));
        break;
      }
      record.append("\n").append(more.text);
      joined.push_back(std::move(more));
      parse = SplitRecord(record, delimiter_, fields);
    }
    if (parse == Parse::OpenQuote) {
      skipped_.add(line.number, "a quote that is never closed");
      // Go on with the next line, not past the lines tried.
      for (auto it = joined.rbegin(); it != joined.rend(); ++it) pending_.push_front(std::move(*it));
      continue;
    }
    if (parse == Parse::FieldTooLong) {
      skipped_.add(line.number, "a field longer than " + std::to_string(kMaxFieldBytes) + " bytes");
      continue;
    }
    if (Blank(fields)) continue;
    row.line = line.number;
    row.replaced = 0;
    row.fields.clear();
    row.fields.reserve(fields.size());
    for (const auto& f : fields) row.fields.push_back(ToLatin1(f, utf8_, row.replaced));
    return true;
  }
  return false;
}

std::size_t TextSource::read(char* into, std::size_t size) {
  const std::size_t n = std::min(size, text_.size() - at_);
  std::memcpy(into, text_.data() + at_, n);
  at_ += n;
  return n;
}

FileSource::FileSource(std::string path) : path_(std::move(path)), in_(path_, std::ios::binary) {}

std::size_t FileSource::read(char* into, std::size_t size) {
  if (!in_) return 0;
  in_.read(into, static_cast<std::streamsize>(size));
  return static_cast<std::size_t>(in_.gcount());
}

bool FileSource::rewind() {
  if (!in_.is_open() || in_.bad()) return false;
  in_.clear();
  in_.seekg(0);
  return static_cast<bool>(in_);
}

Encoding ScanEncoding(ByteSource& source) {
  Encoding out;
  std::vector<char> buffer(64 * 1024);
  bool first = true, valid = true;
  int need = 0;  // continuation bytes the current UTF-8 character still needs
  std::size_t n;
  while ((n = source.read(buffer.data(), buffer.size())) > 0) {
    std::size_t i = 0;
    if (first) {
      first = false;
      const auto b = [&](std::size_t k) { return k < n ? static_cast<unsigned char>(buffer[k]) : 0x100u; };
      out.bom = b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF;
      out.utf16 = (b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF) ||
                  (n >= 4 && b(0) && !b(1) && b(2) && !b(3)) || (n >= 4 && !b(0) && b(1) && !b(2) && b(3));
      if (out.bom) i = 3;
    }
    out.bytes += n;
    for (; valid && i < n; ++i) {
      const auto c = static_cast<unsigned char>(buffer[i]);
      if (need > 0) {
        valid = Continuation(c);
        --need;
      } else {
        const int len = SequenceLength(c);
        valid = len > 0;
        need = len - 1;
      }
    }
  }
  out.utf8 = out.bom || valid;  // a file cut inside its last character still counts
  return out;
}

LineReader::LineReader(ByteSource& source) : source_(source), buffer_(64 * 1024) {}

bool LineReader::fill() {
  if (source_.failed()) return false;
  end_ = source_.read(buffer_.data(), buffer_.size());
  at_ = 0;
  return end_ > 0;
}

bool LineReader::next(std::string& line) {
  line.clear();
  if (!started_) {
    started_ = true;
    fill();
    if (end_ >= 3 && std::string_view(buffer_.data(), 3) == "\xEF\xBB\xBF") at_ = 3;
  }
  bool any = false;
  for (;;) {
    if (at_ == end_ && !fill()) {
      if (any) ++number_;
      return any;
    }
    std::size_t k = at_;
    while (k < end_ && buffer_[k] != '\n' && buffer_[k] != '\r') ++k;
    if (k > at_) {
      any = true;
      if (line.size() <= kMaxLineBytes) line.append(buffer_.data() + at_, std::min(k - at_, kMaxLineBytes + 1 - line.size()));
    }
    at_ = k;
    if (k == end_) continue;
    const char c = buffer_[at_++];
    if (c == '\r' && (at_ < end_ || fill()) && buffer_[at_] == '\n') ++at_;
    ++number_;
    return true;
  }
}

ListText ReadDelimited(std::string_view bytes) {
  TextSource source{std::string(bytes)};
  const Encoding encoding = ScanEncoding(source);
  source.rewind();
  ListText out;
  out.bom = encoding.bom;
  out.utf8 = encoding.utf8;
  DelimitedReader reader(source, out.utf8, out.skipped);
  out.delimiter = reader.delimiter();
  ListRow row;
  while (reader.next(row)) {
    out.replaced += row.replaced;
    out.rows.push_back(row);
  }
  return out;
}

}  // namespace scandeck
