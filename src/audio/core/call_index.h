#pragma once
// calls.csv in each day folder: one row per kept recording, the conventions of the
// Heard export (UTF-8 with a byte-order mark, CRLF, RFC 4180, a header row).
#include <cstdint>
#include <string>

#include "audio/core/recording_names.h"
#include "common/core/failure.h"

namespace scandeck {

inline constexpr const char* kCallIndexName = "calls.csv";
inline constexpr const char* kCallIndexHeader =
    "start,end,duration_s,kind,bank,channel,frequency_mhz,talkgroup,name,type,file";

struct IndexedCall {
  CallInfo call;
  LocalStamp start;
  LocalStamp end;
  std::uint64_t samples = 0;
  int rate = 16000;
  std::string file;  // the name inside the day folder
};

// One row with its CRLF.
std::string CallIndexRow(const IndexedCall& row);

// Adds the row (and the byte-order mark and header to a new file). The file is
// written whole in one step, so a failed append (a full disk) leaves it as it was.
Failure AppendCallIndex(const std::string& path, const IndexedCall& row);

}  // namespace scandeck
