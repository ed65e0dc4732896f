#pragma once
// What the directories say about a heard row, naming a row from the list, the "alert
// me" marks and the list's CSV export.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "common/core/failure.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "heard/core/heard_list.h"

namespace scandeck {

struct HeardEntry {
  bool inDirectory = false;
  // The directory bank to open: 1..10, 0 when none applies. A channel not stored
  // gets the bank of the first free channel.
  int bank = 0;
  int number = 0;   // channel 1..300 or ID entry 1..100 of `bank`; 0 when not stored
  std::string name;
  std::string type;
};

// The same matches the status display makes: the first channel with the frequency,
// the last entry of the trunk bank with the ID.
HeardEntry LookUp(const HeardKey& key, const FreqDirectory& channels, const IdDirectory& talkgroups);

inline constexpr std::size_t kMaxHeardName = 40;
// True for an empty type or one of the 17 codes.
bool IsTypeCode(std::string_view type);

// Sets the name and type of the row's directory entry and writes that one record.
// A refused write leaves the directory as it was and is returned.
Failure NameHeardEntry(const HeardKey& key, std::string_view type, std::string_view name,
                       FreqDirectory& channels, RecordFile& freq_file, IdDirectory& talkgroups,
                       RecordFile& id_file);

// Channels and talkgroups marked in the Heard window, kept in the working folder one
// key a line: "alert me" in alerts.dat, "Record" in record.dat.
inline constexpr const char* kAlertFileName = "alerts.dat";
inline constexpr const char* kRecordMarksFileName = "record.dat";
class HeardMarks {
 public:
  static constexpr std::size_t kMaxMarks = 1000;
  bool marked(const HeardKey& key) const { return keys_.count(key.text()) != 0; }
  // False when the list is full.
  bool set(const HeardKey& key, bool on);
  std::size_t size() const { return keys_.size(); }

  // A missing file is no marks; damaged lines are skipped; reading stops at the cap.
  void Load(const std::string& path);
  Failure Save(const std::string& path) const;

 private:
  std::set<std::string> keys_;
};
using AlertMarks = HeardMarks;

// The list as CSV: UTF-8 with a byte-order mark, CRLF line ends, a header row,
// fields quoted where they hold a comma, a quote or a line break. Times are local.
std::string HeardCsv(const HeardList& list, const FreqDirectory& channels, const IdDirectory& talkgroups);

// "2024-03-09 23:59:40" in local time, or empty when the time cannot be had.
std::string LocalTimeText(std::int64_t epoch_ms);

}  // namespace scandeck
