#include "import/core/import_preview.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>

#include "common/core/safe_write.h"
#include "common/core/text.h"
#include "common/core/type_codes.h"
#include "import/core/directory_csv.h"

namespace scandeck {

namespace {

std::string Shown(const std::string& field) {
  return field.find_first_not_of('\0') == std::string::npos ? std::string() : field;
}

long long ChannelUnits(const std::string& frequency) {
  std::string t = frequency;
  for (char& c : t)
    if (c == ',') c = '.';
  return FrequencyUnits(t);
}

std::string ChosenName(const ListEntry& e, NameColumn column, bool comment) {
  const std::string& first = column == NameColumn::AlphaTag ? e.alpha : e.description;
  const std::string& second = column == NameColumn::AlphaTag ? e.description : e.alpha;
  // A comment stands in for no name: an empty name stays empty.
  if (comment && column == NameColumn::AlphaTag) return first;
  return first.empty() ? second : first;
}

std::string Where(int entry) {
  return std::to_string((entry - 1) / kIdsPerIdBank + 1) + "-" + std::to_string((entry - 1) % kIdsPerIdBank + 1);
}

// Matches each entry of the list as it is read against the directory, keeping
// only what the preview shows.
class Matcher final : public ListSink {
 public:
  Matcher(const ImportOptions& o, const FreqDirectory& channels, const IdDirectory& talkgroups, ImportPreview& p,
          std::string* csv)
      : o_(o), channels_(channels), talkgroups_(talkgroups), p_(p), csv_(csv) {
    for (int n = 1; n <= kFreqChannels; ++n)
      if (const long long u = ChannelUnits(channels[n].frequency); u > 0) by_units_[u].push_back(n);
    for (int e = 1; e <= kIdEntriesPerBank; ++e) {
      std::string id = TrimBlanksCopy(Shown(talkgroups.at(o.trunkBank, e).id));
      if (id.empty()) continue;
      if (!AfsText(id).empty()) {
        afs_ids_[id].push_back(e);
        afs_as_decimal_[IdDecimal(id)].push_back(e);
      } else if (const long long d = IdDecimal(id); d >= 0) {
        decimal_ids_[d].push_back(e);
      }
    }
  }

  void start(const ListInfo& info) override {
    p_.format = info.format;
    p_.talkgroups = info.kind == ListKind::Talkgroups;
    p_.restore = info.kind == ListKind::ScanDeck;
    p_.commentColumn = comment_ = info.commentColumn;
  }

  void entry(const ListEntry& e, SkipLog& skipped) override {
    if (comment_ && TrimBlanks(ChosenName(e, o_.column, true)).empty()) {
      skipped.add(e.line, "no name (a comment is taken as the name only when its column is chosen)");
      return;
    }
    if (p_.talkgroups) Talkgroup(e, skipped);
    else Channel(e, skipped);
  }

  void record(const SavedRecord& s, SkipLog& skipped) override {
    const int key = s.talkgroup ? -s.record : s.record;
    if (const auto done = restored_by_.find(key); done != restored_by_.end()) {
      skipped.add(s.line, "record " + std::to_string(s.record) + " already comes from line " + std::to_string(done->second));
      return;
    }
    restored_by_[key] = s.line;
    Restore(s);
  }

 private:
  void NotFound(const ListEntry& e, std::string key) {
    NotInDirectory row{e.line, std::move(key), ChosenName(e, NameColumn::AlphaTag, comment_), e.tag};
    ++p_.notFoundCount;
    if (csv_)
      *csv_ += std::to_string(row.line) + "," + CsvField(row.key) + "," + CsvField(Latin1ToUtf8(row.name)) + "," +
               CsvField(Latin1ToUtf8(row.tag)) + "\r\n";
    if (p_.notFound.size() < kMaxNotFoundKept) p_.notFound.push_back(std::move(row));
  }

  void Channel(const ListEntry& e, SkipLog& skipped) {
    const auto it = by_units_.find(e.units);
    if (it == by_units_.end()) {
      NotFound(e, FormatFrequencyMhz(static_cast<double>(e.units) / 10000.0, '.'));
      return;
    }
    for (int n : it->second) {
      if (const auto done = named_by_.find(n); done != named_by_.end()) {
        skipped.add(e.line, "channel " + std::to_string(n) + " already takes its name from line " + std::to_string(done->second));
        continue;
      }
      named_by_[n] = e.line;
      PreviewChange c;
      c.entry = n;
      c.where = "Ch " + std::to_string(n);
      c.key = channels_[n].frequency;
      c.matchedBy = "frequency";
      c.oldName = channels_[n].name;
      c.oldType = channels_[n].type;
      Count(c, Name(c, e));
    }
  }

  void Talkgroup(const ListEntry& le, SkipLog& skipped) {
    const std::vector<int>* hits = nullptr;
    std::string form;
    const long long decimal = le.decimal.empty() ? -1 : IdDecimal(le.decimal);
    // The form the list gives first; the sum only where the list lacks the scanner's form.
    if (!le.afs.empty())
      if (auto it = afs_ids_.find(le.afs); it != afs_ids_.end()) hits = &it->second, form = "AFS";
    if (!hits && decimal >= 0)
      if (auto it = decimal_ids_.find(decimal); it != decimal_ids_.end()) hits = &it->second, form = "decimal";
    if (!hits && decimal >= 0 && le.afs.empty())
      if (auto it = afs_as_decimal_.find(decimal); it != afs_as_decimal_.end()) hits = &it->second, form = "AFS from decimal";
    if (!hits && decimal < 0 && !le.afs.empty())
      if (auto it = decimal_ids_.find(IdDecimal(le.afs)); it != decimal_ids_.end()) hits = &it->second, form = "decimal from AFS";
    if (!hits) {
      NotFound(le, le.afs.empty() ? le.decimal : le.decimal.empty() ? le.afs : le.decimal + " (" + le.afs + ")");
      return;
    }
    const int bank = o_.trunkBank;
    for (int e : *hits) {
      if (const auto done = named_by_.find(e); done != named_by_.end()) {
        skipped.add(le.line, "entry " + Shown(talkgroups_.at(bank, e).channel) + " already takes its name from line " +
                                 std::to_string(done->second));
        continue;
      }
      named_by_[e] = le.line;
      const IdEntry& entry = talkgroups_.at(bank, e);
      PreviewChange c;
      c.talkgroup = true;
      c.bank = bank;
      c.entry = e;
      c.where = Where(e);
      c.key = TrimBlanksCopy(Shown(entry.id));
      c.matchedBy = form;
      c.oldName = Shown(entry.name);
      c.oldType = Shown(entry.type);
      Count(c, Name(c, le));
    }
  }

  // Fills the new name and type of `c` from the list entry, or says it changes nothing.
  enum class Outcome { Change, Kept, Same };
  Outcome Name(PreviewChange& c, const ListEntry& e) const {
    std::string name = ChosenName(e, o_.column, comment_);
    if (name.size() > kNameWidth) {
      name.resize(kNameWidth);
      c.cut = true;
    }
    c.newName = TrimBlanksCopy(name);
    const std::string_view type = TypeForTag(e.tag, e.category);
    c.newType = type.empty() ? c.oldType : std::string(type);
    c.line = e.line;
    c.replaced = e.replaced;
    if (!o_.replaceNames && !TrimBlanks(c.oldName).empty()) return Outcome::Kept;
    if (c.newName == c.oldName && c.newType == c.oldType) return Outcome::Same;
    return Outcome::Change;
  }

  void Count(PreviewChange c, Outcome outcome) {
    if (outcome == Outcome::Kept) {
      ++p_.kept;
    } else if (outcome == Outcome::Same) {
      ++p_.same;
    } else {
      p_.cut += c.cut ? 1 : 0;
      p_.replaced += c.replaced;
      p_.changes.push_back(std::move(c));
    }
  }

  void Restore(const SavedRecord& s) {
    PreviewChange c;
    c.restore = true;
    c.line = s.line;
    c.replaced = s.replaced;
    c.matchedBy = "position";
    c.talkgroup = s.talkgroup;
    if (s.talkgroup) {
      c.bank = (s.record - 1) / kIdEntriesPerBank + 1;
      c.entry = (s.record - 1) % kIdEntriesPerBank + 1;
      const IdEntry& old = talkgroups_.at(c.bank, c.entry);
      c.record = s.entry;
      c.where = std::to_string(c.bank) + ": " + s.entry.channel;
      c.key = s.entry.id;
      c.oldName = Shown(old.name);
      c.oldType = Shown(old.type);
      // A never-written record (NULs) and an empty one read the same: no change.
      const auto blank = [](const IdEntry& t) {
        return (Shown(t.channel) + Shown(t.id) + Shown(t.type) + Shown(t.name) + Shown(t.mode)).empty() &&
               TrimBlanks(Shown(t.lockout)).empty();
      };
      if (EncodeIdRecord(old) == EncodeIdRecord(c.record) || (blank(old) && blank(c.record))) {
        ++p_.same;
        return;
      }
    } else {
      c.entry = s.record;
      c.channel = s.channel;
      c.channel.frequency = FormatFrequencyMhz(static_cast<double>(s.units) / 10000.0, o_.separator);
      c.where = "Ch " + std::to_string(s.record);
      c.key = c.channel.frequency;
      c.oldName = channels_[s.record].name;
      c.oldType = channels_[s.record].type;
      if (EncodeFreqRecord(channels_[s.record], s.record) == EncodeFreqRecord(c.channel, s.record)) {
        ++p_.same;
        return;
      }
    }
    // A hand-edited export may hold longer names than a record keeps: shown as written.
    std::string& name = s.talkgroup ? c.record.name : c.channel.name;
    if (name.size() > kNameWidth) {
      name.resize(kNameWidth);
      c.cut = true;
      ++p_.cut;
    }
    c.newName = name;
    c.newType = s.talkgroup ? c.record.type : c.channel.type;
    p_.replaced += c.replaced;
    p_.changes.push_back(std::move(c));
  }

  const ImportOptions& o_;
  const FreqDirectory& channels_;
  const IdDirectory& talkgroups_;
  ImportPreview& p_;
  std::string* csv_;
  bool comment_ = false;
  std::unordered_map<long long, std::vector<int>> by_units_, decimal_ids_, afs_as_decimal_;
  std::unordered_map<std::string, std::vector<int>> afs_ids_;
  std::map<int, int> named_by_, restored_by_;  // entry -> line that named it
};

// What a list that is not read leaves in the preview: its reason only.
void Refused(ImportPreview& p, const ListInfo& info) {
  p.skipped = info.skipped;
  p.error = info.error;
  if (p.error.empty()) return;
  p.changes.clear();
  p.notFound.clear();
  p.notFoundCount = p.kept = p.same = p.cut = p.replaced = 0;
}

}  // namespace

const std::vector<TagType>& TagTypes() {
  static const std::vector<TagType> table = [] {
    std::vector<TagType> t = {
        {"Law Dispatch", "POL"},   {"Law Tac", "POL"},          {"Law Talk", "POL"},       {"Corrections", "POL"},
        {"Fire Dispatch", "FDP"},  {"Fire-Tac", "FDP"},         {"Fire-Talk", "FDP"},      {"Fire Tac", "FDP"},
        {"EMS Dispatch", "AMB"},   {"EMS-Tac", "AMB"},          {"EMS-Talk", "AMB"},       {"EMS Tac", "AMB"},
        {"Hospital", "AMB"},       {"Emergency Ops", "EMG"},    {"Interop", "EMG"},        {"Public Works", "MUN"},
        {"Schools", "MUN"},        {"Utilities", "UTY"},        {"Transportation", "PTP"}, {"Railroad", "RWY"},
        {"Aircraft", "AIR"},       {"Aviation", "AIR"},         {"Business", "COM"},       {"Media", "MED"},
        {"Security", "SEC"},       {"Federal", "GOV"},          {"Military", "GOV"},       {"Ham", "MSC"},
        {"Other", "MSC"},          {"Marine", "MRN"},           {"Trunking System", "TRK"},
    };
    for (const TypeCode& code : kTypeCodes) {
      t.push_back({code.code, code.code});
      t.push_back({code.meaning, code.code});
    }
    return t;
  }();
  return table;
}

std::string_view TypeForTag(std::string_view tag, std::string_view category) {
  for (std::string_view text : {tag, category}) {
    const std::string key = HeaderKey(text);
    if (key.empty()) continue;
    for (const TagType& t : TagTypes())
      if (HeaderKey(t.tag) == key) return t.code;
  }
  return {};
}

long long IdDecimal(std::string_view shown) {
  std::string t = TrimBlanksCopy(shown);
  if (!t.empty() && t.front() == '=') t.erase(0, 1);
  if (!AfsText(t).empty())
    return ((t[0] - '0') * 10 + (t[1] - '0')) * 128 + ((t[3] - '0') * 10 + (t[4] - '0')) * 8 + (t[5] - '0');
  if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoll(t);
}

ImportPreview BuildPreview(ByteSource& source, const ImportOptions& options, const FreqDirectory& channels,
                           const IdDirectory& talkgroups) {
  ImportPreview p;
  Matcher matcher(options, channels, talkgroups, p, nullptr);
  Refused(p, ReadList(source, matcher));
  return p;
}

ImportPreview BuildPreview(const ImportList& list, const ImportOptions& options, const FreqDirectory& channels,
                           const IdDirectory& talkgroups) {
  ImportPreview p;
  Matcher matcher(options, channels, talkgroups, p, nullptr);
  ListInfo info = list;
  matcher.start(info);
  for (const ListEntry& e : list.entries) matcher.entry(e, info.skipped);
  for (const SavedRecord& s : list.records) matcher.record(s, info.skipped);
  Refused(p, info);
  return p;
}

std::string NotInDirectoryCsv(ByteSource& source, const ImportOptions& options, const FreqDirectory& channels,
                              const IdDirectory& talkgroups, std::string& error) {
  ImportPreview p;
  std::string rows;
  Matcher matcher(options, channels, talkgroups, p, &rows);
  error = ReadList(source, matcher).error;
  return std::string("\xEF\xBB\xBF") + (p.talkgroups ? "Line,ID,Name,Tag\r\n" : "Line,Frequency,Name,Tag\r\n") + rows;
}

Failure ReadWholeFile(const std::string& path, std::string& out, std::size_t limit, bool& too_big) {
  too_big = false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return Failure{errc::kFileNotFound, "File not found: " + path};
  out.assign(limit + 1, '\0');
  in.read(out.data(), static_cast<std::streamsize>(out.size()));
  out.resize(static_cast<std::size_t>(in.gcount()));
  if (out.size() > limit) {
    out.resize(limit);
    too_big = true;
  }
  if (in.bad()) return Failure{errc::kPathFileAccess, "Cannot read " + path};
  return {};
}

Failure ApplyPreview(const ImportPreview& preview, DirectoryFiles& files) {
  std::set<int> banks;
  std::set<std::pair<int, int>> id_banks;
  for (const PreviewChange& c : preview.changes) {
    if (c.talkgroup) id_banks.insert({c.bank, (c.entry - 1) / kIdsPerIdBank + 1});
    else banks.insert((c.entry - 1) / kChannelsPerBank + 1);
  }
  const auto backup = [](const std::string& path) -> Failure {
    std::string bytes;
    bool too_big = false;
    // A directory file is at most 68 KB; anything read here is the whole of it.
    if (Failure f = ReadWholeFile(path, bytes, 64u << 20, too_big); f && f.code != errc::kFileNotFound) return f;
    return WriteFileAtomically(path + ".bak", bytes);
  };
  if (!banks.empty())
    if (Failure f = backup(files.channelPath)) return f;
  if (!id_banks.empty())
    if (Failure f = backup(files.talkgroupPath)) return f;
  for (const PreviewChange& c : preview.changes) {
    if (c.talkgroup) {
      IdEntry* entry = files.talkgroups.find(c.bank, c.entry);
      if (!entry) continue;
      if (c.restore) {
        *entry = c.record;
      } else {
        entry->name = c.newName;
        entry->type = c.newType;
      }
    } else {
      FreqChannel& channel = files.channels[c.entry];
      if (c.restore) {
        channel = c.channel;
      } else {
        channel.name = c.newName;
        channel.type = c.newType;
      }
    }
  }
  for (int bank : banks)
    if (Failure f = WriteBank(files.channelFile, files.channels, bank)) return f;
  for (const auto& [bank, id_bank] : id_banks)
    if (Failure f = WriteIdBank(files.talkgroupFile, files.talkgroups, bank, id_bank)) return f;
  return {};
}

}  // namespace scandeck
