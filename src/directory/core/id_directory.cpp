#include "directory/core/id_directory.h"

#include "common/core/text.h"

namespace scandeck {

namespace {
// Field offsets and widths within an idbank.dat record.
constexpr std::size_t kChannelAt = 0, kChannelWidth = 5;
constexpr std::size_t kIdAt = 5, kIdWidth = 6;
constexpr std::size_t kTypeAt = 11, kTypeWidth = 3;
constexpr std::size_t kNameAt = 14, kNameWidth = 40;
constexpr std::size_t kLockoutAt = 54;
constexpr std::size_t kModeAt = 55, kModeWidth = 10;
}  // namespace

const IdEntry& IdDirectory::at(int bank, int entry) const {
  static const IdEntry kEmpty{};
  if (!InRange(bank, entry)) return kEmpty;
  return entries_[static_cast<std::size_t>(bank)][static_cast<std::size_t>(entry)];
}

IdEntry* IdDirectory::find(int bank, int entry) {
  if (!InRange(bank, entry)) return nullptr;
  return &entries_[static_cast<std::size_t>(bank)][static_cast<std::size_t>(entry)];
}

std::string EncodeIdRecord(const IdEntry& entry) {
  std::string record;
  record.reserve(kIdRecordLength);
  AppendField(record, entry.channel, kChannelWidth);
  AppendField(record, entry.id, kIdWidth);
  AppendField(record, entry.type, kTypeWidth);
  AppendField(record, entry.name, kNameWidth);
  AppendField(record, entry.lockout, 1);
  AppendField(record, entry.mode, kModeWidth);
  return record;
}

IdEntry DecodeIdRecord(std::string_view record) {
  std::string padded;
  if (record.size() < kIdRecordLength) {
    padded.assign(record);
    padded.resize(kIdRecordLength, '\0');
    record = padded;
  }
  IdEntry entry;
  entry.channel = TrimBlanksCopy(record.substr(kChannelAt, kChannelWidth));
  entry.id = TrimBlanksCopy(record.substr(kIdAt, kIdWidth));
  entry.type = TrimBlanksCopy(record.substr(kTypeAt, kTypeWidth));
  entry.name = TrimBlanksCopy(record.substr(kNameAt, kNameWidth));
  entry.lockout.assign(1, record[kLockoutAt]);
  entry.mode = TrimBlanksCopy(record.substr(kModeAt, kModeWidth));
  return entry;
}

Failure LoadIdDirectory(const std::string& path, RecordFile& file, IdDirectory& dir) {
  Failure first = file.Open(path, kIdRecordLength);
  // One read for the whole table: the start-up cost is then a single system call.
  std::string records;
  const Failure read = file.Read(1, kIdRecords, records);
  if (!first) first = read;
  const std::string_view all = records;
  for (int bank = 1; bank <= kIdBanks; ++bank) {
    for (int entry = 1; entry <= kIdEntriesPerBank; ++entry) {
      const auto offset = static_cast<std::size_t>(IdRecordNumber(bank, entry) - 1) * kIdRecordLength;
      *dir.find(bank, entry) = DecodeIdRecord(all.substr(offset, kIdRecordLength));
    }
  }
  return first;
}

Failure WriteIdBank(RecordFile& file, const IdDirectory& dir, int bank, int id_bank) {
  if (bank < 1 || bank > kIdBanks || id_bank < 1 || id_bank > kIdBanksPerBank) return {};
  const int first = IdEntryIndex(id_bank, 1);
  std::string records;
  records.reserve(kIdsPerIdBank * kIdRecordLength);
  for (int entry = first; entry < first + kIdsPerIdBank; ++entry) records += EncodeIdRecord(dir.at(bank, entry));
  return file.Write(IdRecordNumber(bank, first), records);
}

}  // namespace scandeck
