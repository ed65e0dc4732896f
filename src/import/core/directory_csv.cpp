#include "import/core/directory_csv.h"

#include "common/core/text.h"

namespace scandeck {

namespace {

// A never-written ID field holds NULs; it exports as nothing.
std::string Shown(const std::string& field) {
  return field.find_first_not_of('\0') == std::string::npos ? std::string() : field;
}

void Row(std::string& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view f : fields) {
    if (!first) out += ',';
    first = false;
    out += CsvField(Latin1ToUtf8(f));
  }
  out += "\r\n";
}

std::string DotFrequency(std::string text) {
  for (char& c : text)
    if (c == ',') c = '.';
  return text;
}

}  // namespace

std::string ExportDirectories(const FreqDirectory& channels, const IdDirectory& talkgroups, const ExportChoice& choice) {
  std::string out = "\xEF\xBB\xBF";
  out.append(kExportHeader).append("\r\n");
  const auto wanted = [&](int bank) { return choice.bank == 0 || choice.bank == bank; };
  if (choice.channels)
    for (int n = 1; n <= kFreqChannels; ++n) {
      const int bank = (n - 1) / kChannelsPerBank + 1;
      if (!wanted(bank)) continue;
      const FreqChannel& c = channels[n];
      Row(out, {kChannelsTag, std::to_string(n), std::to_string(bank), std::to_string(c.channel), DotFrequency(c.frequency), "",
                c.type, c.name, c.delay, c.lockout, c.mode});
    }
  if (choice.talkgroups)
    for (int bank = 1; bank <= kIdBanks; ++bank) {
      if (!wanted(bank)) continue;
      for (int e = 1; e <= kIdEntriesPerBank; ++e) {
        const IdEntry& t = talkgroups.at(bank, e);
        Row(out, {kTalkgroupsTag, std::to_string(IdRecordNumber(bank, e)), std::to_string(bank), Shown(t.channel), "",
                  Shown(t.id), Shown(t.type), Shown(t.name), "", Shown(t.lockout), Shown(t.mode)});
      }
    }
  return out;
}

bool IsScanDeckHeader(const std::vector<std::string>& cells) {
  return cells.size() >= 11 && HeaderKey(cells[0]) == "directory" && HeaderKey(cells[1]) == "record";
}

bool ScanDeckRecord(const ListRow& row, SavedRecord& s, SkipLog& skipped) {
  if (row.fields.size() != 11) {
    skipped.add(row.line, std::to_string(row.fields.size()) + " fields where ScanDeck writes 11");
    return false;
  }
  const auto& f = row.fields;
  s.line = row.line;
  s.replaced = row.replaced;
  s.talkgroup = f[0] == kTalkgroupsTag;
  const double record = f[1].find_first_not_of("0123456789") == std::string::npos && !f[1].empty() && f[1].size() < 6
                            ? NumericValue(f[1]) : 0;
  s.record = static_cast<int>(record);
  const int limit = s.talkgroup ? kIdRecords : kFreqChannels;
  if (!s.talkgroup && f[0] != kChannelsTag) {
    skipped.add(row.line, "\"" + f[0] + "\" is neither " + std::string(kChannelsTag) + " nor " + std::string(kTalkgroupsTag));
    return false;
  }
  if (s.record < 1 || s.record > limit) {
    skipped.add(row.line, "record \"" + f[1] + "\" outside 1.." + std::to_string(limit));
    return false;
  }
  if (s.talkgroup) {
    s.entry = {f[3], f[5], f[6], f[7], f[9], f[10]};
  } else {
    s.channel.channel = static_cast<int>(NumericValue(f[3]));
    s.units = FrequencyUnits(f[4]);
    s.channel.type = f[6];
    s.channel.name = f[7];
    s.channel.delay = f[8];
    s.channel.lockout = f[9];
    s.channel.mode = f[10];
  }
  return true;
}

}  // namespace scandeck
