#include "audio/core/call_index.h"

#include <fstream>

#include "common/core/csv.h"
#include "common/core/safe_write.h"
#include "directory/core/freq_directory.h"

namespace scandeck {

namespace {
// A day of calls is a few hundred kilobytes; a file this large is not one we wrote.
constexpr std::size_t kMaxIndexBytes = 64u * 1024 * 1024;
}  // namespace

std::string CallIndexRow(const IndexedCall& r) {
  const bool talkgroup = r.call.key.kind == CallKind::Talkgroup;
  // Tenths by whole numbers: printf's "%.1f" would follow the locale Qt sets (a comma in many).
  const std::uint64_t rate = r.rate > 0 ? static_cast<std::uint64_t>(r.rate) : 1;
  const std::uint64_t tenths = (r.samples * 10 + rate / 2) / rate;
  const std::string duration = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
  const int channel = talkgroup ? 0 : r.call.channel;
  const std::string fields[] = {
      IsoTime(r.start),
      IsoTime(r.end),
      duration,
      talkgroup ? "talkgroup" : "channel",
      talkgroup ? Latin1ToUtf8(r.call.key.bank) : channel > 0 ? std::to_string((channel - 1) / kChannelsPerBank + 1) : "",
      channel > 0 ? std::to_string(channel) : "",
      talkgroup ? "" : FrequencyMhzText(r.call.key.id),
      talkgroup ? Latin1ToUtf8(r.call.key.id) : "",
      Latin1ToUtf8(r.call.name),
      Latin1ToUtf8(r.call.type),
      r.file,
  };
  std::string out;
  for (const std::string& field : fields) {
    if (!out.empty() || &field != &fields[0]) out += ',';
    out += CsvField(field);
  }
  return out + "\r\n";
}

Failure AppendCallIndex(const std::string& path, const IndexedCall& row) {
  std::string text;
  if (std::ifstream in{path, std::ios::binary | std::ios::ate}) {
    const auto size = static_cast<long long>(in.tellg());
    if (size < 0 || static_cast<unsigned long long>(size) > kMaxIndexBytes)
      return {errc::kInvalidArgument, path + " is too large to be a call index"};
    text.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(text.data(), size);
    text.resize(static_cast<std::size_t>(in.gcount()));
  }
  if (text.empty()) text = std::string("\xEF\xBB\xBF") + kCallIndexHeader + "\r\n";
  // A row cut short by someone else's editor still ends its line before ours begins.
  if (text.back() != '\n') text += "\r\n";
  text += CallIndexRow(row);
  return WriteFileAtomically(path, text);
}

}  // namespace scandeck
