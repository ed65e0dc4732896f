#include "heard/core/heard_names.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>

#include "common/core/csv.h"
#include "common/core/platform.h"
#include "common/core/safe_write.h"
#include "common/core/text.h"
#include "common/core/type_codes.h"

namespace scandeck {

namespace {

// The trunk bank's directory bank, 0 when the text names none of 1..10.
int TrunkBankNumber(std::string_view text) {
  if (text.empty() || text.size() > 2 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  const int bank = std::stoi(std::string(text));
  return bank >= 1 && bank <= kIdBanks ? bank : 0;
}

}  // namespace

HeardEntry LookUp(const HeardKey& key, const FreqDirectory& channels, const IdDirectory& talkgroups) {
  HeardEntry out;
  if (key.kind == HeardKind::Channel) {
    for (int n = 1; n <= kFreqChannels; ++n) {
      if (TrimBlanks(channels[n].frequency) != key.id) continue;
      return {true, (n - 1) / kChannelsPerBank + 1, n, channels[n].name, channels[n].type};
    }
    // Not stored: the bank with the first free channel is where it could go.
    for (int n = 1; n <= kFreqChannels; ++n)
      if (NumericValue(channels[n].frequency) == 0) return {false, (n - 1) / kChannelsPerBank + 1, 0, "", ""};
    return out;
  }
  out.bank = TrunkBankNumber(key.bank);
  if (out.bank == 0) return out;
  for (int e = kIdEntriesPerBank; e >= 1; --e) {
    const IdEntry& entry = talkgroups.at(out.bank, e);
    if (entry.id != key.id) continue;
    out = {true, out.bank, e, entry.name, entry.type};
    break;
  }
  return out;
}

bool IsTypeCode(std::string_view type) {
  return type.empty() || std::any_of(kTypeCodes.begin(), kTypeCodes.end(), [&](const TypeCode& c) { return c.code == type; });
}

Failure NameHeardEntry(const HeardKey& key, std::string_view type, std::string_view name,
                       FreqDirectory& channels, RecordFile& freq_file, IdDirectory& talkgroups,
                       RecordFile& id_file) {
  const HeardEntry found = LookUp(key, channels, talkgroups);
  if (!found.inDirectory) return {errc::kInvalidArgument, "Not in the directory"};
  if (!IsTypeCode(type)) return {errc::kInvalidArgument, "Unknown type"};
  const std::string new_name(name.substr(0, kMaxHeardName));
  // Only this one record is written, so the rest of the file stays byte for byte.
  if (key.kind == HeardKind::Channel) {
    FreqChannel& channel = channels[found.number];
    const FreqChannel before = channel;
    channel.type = std::string(type);
    channel.name = new_name;
    const Failure failure = freq_file.Write(found.number, EncodeFreqRecord(channel, found.number));
    if (failure) channel = before;
    return failure;
  }
  IdEntry* entry = talkgroups.find(found.bank, found.number);
  const IdEntry before = *entry;
  entry->type = std::string(type);
  entry->name = new_name;
  const Failure failure = id_file.Write(IdRecordNumber(found.bank, found.number), EncodeIdRecord(*entry));
  if (failure) *entry = before;
  return failure;
}

bool HeardMarks::set(const HeardKey& key, bool on) {
  if (!on) {
    keys_.erase(key.text());
    return true;
  }
  if (keys_.size() >= kMaxMarks && !marked(key)) return false;
  keys_.insert(key.text());
  return true;
}

void HeardMarks::Load(const std::string& path) {
  keys_.clear();
  std::ifstream in(path, std::ios::binary);
  constexpr std::size_t kMaxLine = 64;
  std::string line;
  while (keys_.size() < kMaxMarks && in) {
    // Lines are read a byte at a time up to the bound, so a file without line ends
    // cannot make one huge line.
    line.clear();
    char c = 0;
    bool too_long = false;
    while (in.get(c) && c != '\n') {
      if (line.size() <= kMaxLine) line += c; else too_long = true;
    }
    // The bound is on the key: a line of the longest key still ends in CR LF.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (too_long || line.size() > kMaxLine || line.size() < 5) continue;
    const auto tab1 = line.find('\t');
    const auto tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab1 != 1 || tab2 == std::string::npos || (line[0] != 'C' && line[0] != 'T')) continue;
    HeardKey key{line[0] == 'C' ? HeardKind::Channel : HeardKind::Talkgroup, line.substr(2, tab2 - 2), line.substr(tab2 + 1)};
    if (key.id.empty() || key.id.find('\t') != std::string::npos || (key.kind == HeardKind::Channel && !key.bank.empty()))
      continue;
    keys_.insert(key.text());
  }
}

Failure HeardMarks::Save(const std::string& path) const {
  std::string text;
  for (const std::string& key : keys_) text += key + "\r\n";
  return WriteFileAtomically(path, text);
}

std::string LocalTimeText(std::int64_t epoch_ms) {
  std::tm tm{};
  const auto seconds = static_cast<std::time_t>(epoch_ms >= 0 ? epoch_ms / 1000 : (epoch_ms - 999) / 1000);
  if (!platform::LocalTime(seconds, tm)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

std::string HeardCsv(const HeardList& list, const FreqDirectory& channels, const IdDirectory& talkgroups) {
  std::string out = "\xEF\xBB\xBF";
  out += "Kind,Channel,Frequency,Trunk bank,Talkgroup ID,Name,Type,Hits,First heard,Last heard,Active seconds,Active now\r\n";
  for (const HeardRow& row : list.rows()) {
    const HeardEntry entry = LookUp(row.key, channels, talkgroups);
    const bool channel = row.key.kind == HeardKind::Channel;
    const std::string fields[] = {
        channel ? "Channel" : "Talkgroup",
        channel && entry.number ? std::to_string(entry.number) : "",
        channel ? row.key.id : "",
        channel ? "" : row.key.bank,
        channel ? "" : row.key.id,
        entry.name,
        entry.type,
        std::to_string(row.hits),
        LocalTimeText(list.epochOf(row.first)),
        LocalTimeText(list.epochOf(list.lastHeard(row))),
        std::to_string(list.activeTime(row).count() / 1000),
        row.active ? "Yes" : "No",
    };
    bool first = true;
    for (const std::string& field : fields) {
      if (!first) out += ',';
      first = false;
      out += CsvField(Latin1ToUtf8(field));
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace scandeck
