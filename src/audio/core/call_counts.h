#pragma once
// How many calls of each channel and talkgroup were kept, and the newest file of
// each, for the Heard window: read once from the day folders' calls.csv, then
// followed as the store keeps files, so a repaint never touches the disk.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "audio/core/recording_names.h"

namespace scandeck {

struct KeptCall {
  CallKey key;
  std::string path;  // the kept file, full path
};

struct CallTally {
  std::size_t count = 0;
  std::string lastFile;  // full path of the newest; it may since have been evicted
};

// The fields of each record of RFC 4180 text (quoted fields may hold commas, quotes
// and line breaks; CRLF or LF ends a record; a byte-order mark is skipped).
std::vector<std::vector<std::string>> CsvRecords(std::string_view text);

class CallCounts {
 public:
  // Replaces what is held by the rows of every YYYY-MM-DD/calls.csv under `folder`,
  // oldest day first. A missing folder is no calls.
  void load(const std::string& folder);
  void add(const KeptCall& call);
  CallTally of(const CallKey& key) const;
  std::size_t keys() const { return tallies_.size(); }

 private:
  std::unordered_map<std::string, CallTally> tallies_;
};

}  // namespace scandeck
