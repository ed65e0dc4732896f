#include "audio/core/call_counts.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "audio/core/call_index.h"
#include "common/core/csv.h"

namespace scandeck {

namespace fs = std::filesystem;

namespace {

// The same bound as the index's own writer: a larger file is not one we wrote.
constexpr std::uintmax_t kMaxIndexBytes = 64u * 1024 * 1024;

// Channels by their frequency alone, talkgroups by trunk bank and ID, in the
// forms calls.csv holds them, so rows and live calls meet on one key.
std::string TallyKey(bool talkgroup, std::string_view bank, std::string_view id_or_mhz) {
  std::string key = talkgroup ? "T\t" : "C\t";
  if (talkgroup) key.append(bank).append("\t");
  return key.append(id_or_mhz);
}

std::string TallyKey(const CallKey& key) {
  if (key.kind == CallKind::Channel) return TallyKey(false, {}, FrequencyMhzText(key.id));
  return TallyKey(true, Latin1ToUtf8(key.bank), Latin1ToUtf8(key.id));
}

}  // namespace

std::vector<std::vector<std::string>> CsvRecords(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false, any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') field += c;
      else if (i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
      else quoted = false;
    } else if (c == '"') {
      quoted = any = true;
    } else if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
      any = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (any || !field.empty()) {
        fields.push_back(std::move(field));
        records.push_back(std::move(fields));
      }
      fields.clear();
      field.clear();
      any = false;
    } else {
      field += c;
      any = true;
    }
  }
  if (any || !field.empty()) {
    fields.push_back(std::move(field));
    records.push_back(std::move(fields));
  }
  return records;
}

void CallCounts::load(const std::string& folder) {
  tallies_.clear();
  std::vector<fs::path> days;
  std::error_code ec;
  for (const auto& day : fs::directory_iterator(folder, ec)) {
    std::error_code type_ec;
    if (day.symlink_status(type_ec).type() == fs::file_type::directory &&
        IsDayFolderName(day.path().filename().string()))
      days.push_back(day.path());
  }
  std::sort(days.begin(), days.end());
  for (const fs::path& day : days) {
    const fs::path index = day / kCallIndexName;
    std::error_code size_ec;
    const std::uintmax_t size = fs::file_size(index, size_ec);
    if (size_ec || size > kMaxIndexBytes) continue;
    std::ifstream in(index, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    // start,end,duration_s,kind,bank,channel,frequency_mhz,talkgroup,name,type,file
    for (const auto& row : CsvRecords(text)) {
      if (row.size() < 11 || row[10].empty() || row[10].find('/') != std::string::npos) continue;
      std::string key;
      if (row[3] == "talkgroup") key = TallyKey(true, row[4], row[7]);
      else if (row[3] == "channel") key = TallyKey(false, {}, row[6]);
      else continue;  // the header, or a row of no kind we write
      CallTally& tally = tallies_[key];
      ++tally.count;
      tally.lastFile = (day / row[10]).string();
    }
  }
}

void CallCounts::add(const KeptCall& call) {
  CallTally& tally = tallies_[TallyKey(call.key)];
  ++tally.count;
  tally.lastFile = call.path;
}

CallTally CallCounts::of(const CallKey& key) const {
  const auto found = tallies_.find(TallyKey(key));
  return found == tallies_.end() ? CallTally{} : found->second;
}

}  // namespace scandeck
