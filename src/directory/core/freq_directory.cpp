#include "directory/core/freq_directory.h"

#include <cmath>

#include "common/core/text.h"

namespace scandeck {

namespace {
// Field offsets and widths within a bank.dat record.
constexpr std::size_t kChannelAt = 0, kChannelWidth = 3;
constexpr std::size_t kFrequencyAt = 3, kFrequencyWidth = 8;
constexpr std::size_t kTypeAt = 11, kTypeWidth = 3;
constexpr std::size_t kNameAt = 14, kNameWidth = 40;
constexpr std::size_t kDelayAt = 54, kLockoutAt = 55, kModeAt = 56;
constexpr std::size_t kMapAt = 57, kMapWidth = 1;
constexpr std::size_t kXAt = 58, kYAt = 63, kCoordinateWidth = 5;

// Numbers in a record are at most eight characters, so they always fit an int.
int WholeValue(std::string_view text) { return static_cast<int>(std::lround(NumericValue(text))); }

bool AllNul(std::string_view text) { return text.find_first_not_of('\0') == std::string_view::npos; }

// A field that was never written (all NUL) is empty, not a text of NULs.
std::string TextField(std::string_view field) {
  if (AllNul(field)) return {};
  return TrimBlanksCopy(field);
}

char Flag(bool set) { return set ? 'N' : 'F'; }

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The 8-character frequency field. A text of the usual form ("155.3250") has its
// separator fourth, which is skipped whatever it is. A damaged file or a foreign
// reply can leave a text with more integer digits or a sign ("1234.5678",
// "-000.0012"): skipping the fourth character would shift the digits after it and
// the next start-up would show another frequency, so such a text keeps all its
// digits, and a negative one pads to seven after its sign to fit the field.
std::string FrequencyField(std::string_view frequency) {
  const bool negative = !frequency.empty() && frequency[0] == '-';
  const std::string_view magnitude = negative ? frequency.substr(1) : frequency;
  if ((negative || magnitude.size() > 8) && magnitude.size() >= 8 &&
      AllDigits(magnitude.substr(0, magnitude.size() - 5)) && AllDigits(magnitude.substr(magnitude.size() - 4))) {
    std::string digits(magnitude.substr(0, magnitude.size() - 5));
    digits.append(magnitude.substr(magnitude.size() - 4));
    const double units = NumericValue(digits);
    return negative ? "-" + FormatPadded(units, static_cast<int>(kFrequencyWidth) - 1)
                    : FormatPadded(units, static_cast<int>(kFrequencyWidth));
  }
  std::string digits(Mid(frequency, 1, 3));
  digits.append(Mid(frequency, 5, 4));
  return FormatPadded(NumericValue(digits), static_cast<int>(kFrequencyWidth));
}
}  // namespace

std::string Marker(bool set) { return set ? std::string("=") : std::string(); }

std::string EncodeFreqRecord(const FreqChannel& channel, int n) {
  std::string record;
  record.reserve(kFreqRecordLength);
  AppendField(record, std::to_string(n), kChannelWidth);
  AppendField(record, FrequencyField(channel.frequency), kFrequencyWidth);
  AppendField(record, channel.type, kTypeWidth);
  AppendField(record, channel.name, kNameWidth);
  record += Flag(channel.delay == "=");
  record += Flag(channel.lockout == "=");
  record += Flag(channel.mode != "Normal");
  record.append(kMapWidth + 2 * kCoordinateWidth, ' ');
  return record;
}

FreqChannel DecodeFreqRecord(std::string_view record, char decimal_separator) {
  std::string padded;
  if (record.size() < kFreqRecordLength) {
    padded.assign(record);
    padded.resize(kFreqRecordLength, '\0');
    record = padded;
  }
  FreqChannel channel;
  channel.channel = WholeValue(record.substr(kChannelAt, kChannelWidth));
  channel.frequency = FrequencyTextFromUnits(record.substr(kFrequencyAt, kFrequencyWidth), decimal_separator);
  channel.type = TextField(record.substr(kTypeAt, kTypeWidth));
  channel.name = TextField(record.substr(kNameAt, kNameWidth));
  channel.delay = Marker(record[kDelayAt] == 'N');
  channel.lockout = Marker(record[kLockoutAt] == 'N');
  channel.mode = record[kModeAt] == 'N' ? std::string("Trunk") : std::string("Normal");
  channel.mapNumber = WholeValue(record.substr(kMapAt, kMapWidth));
  channel.x = WholeValue(record.substr(kXAt, kCoordinateWidth));
  channel.y = WholeValue(record.substr(kYAt, kCoordinateWidth));
  return channel;
}

Failure LoadFreqDirectory(const std::string& path, RecordFile& file, FreqDirectory& dir,
                          char decimal_separator) {
  Failure first = file.Open(path, kFreqRecordLength);
  // One read for the whole table: the start-up cost is then a single system call.
  std::string records;
  const Failure read = file.Read(1, kFreqChannels, records);
  if (!first) first = read;
  const std::string_view all = records;
  for (int n = 1; n <= kFreqChannels; ++n)
    dir[n] = DecodeFreqRecord(all.substr(static_cast<std::size_t>(n - 1) * kFreqRecordLength, kFreqRecordLength),
                              decimal_separator);
  return first;
}

Failure WriteBank(RecordFile& file, const FreqDirectory& dir, int bank) {
  if (bank < 1 || bank > kFreqBanks) return {};
  const int first = (bank - 1) * kChannelsPerBank + 1;
  std::string records;
  records.reserve(kChannelsPerBank * kFreqRecordLength);
  for (int n = first; n < first + kChannelsPerBank; ++n) records += EncodeFreqRecord(dir[n], n);
  return file.Write(first, records);
}

}  // namespace scandeck
