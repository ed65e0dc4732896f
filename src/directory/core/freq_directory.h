#pragma once
// The 300 conventional channels and their names, kept in bank.dat.
#include <array>
#include <string>
#include <string_view>

#include "common/core/failure.h"
#include "directory/core/record_file.h"

namespace scandeck {

inline constexpr int kFreqChannels = 300;
inline constexpr int kChannelsPerBank = 30;
inline constexpr int kFreqBanks = kFreqChannels / kChannelsPerBank;
inline constexpr std::size_t kFreqRecordLength = 68;
inline constexpr const char* kFreqFileName = "bank.dat";
// Label of the start-up message when bank.dat could not be fully opened or read:
// MailReport(kFreqFileErrorLabel, failure).
inline constexpr const char* kFreqFileErrorLabel = "INI Freq File error : ";

struct FreqChannel {
  int channel = 0;                   // as stored in the record; 0 for an empty record
  std::string frequency = "000.0000";  // "000.0000" with the locale's decimal separator
  std::string type;                  // 0..3 characters
  std::string name;                  // 0..40 characters
  std::string delay;                 // "=" or empty
  std::string lockout;               // "=" or empty
  std::string mode = "Normal";       // "Normal", "Trunk", or empty after a delete
  int mapNumber = 0;
  int x = 0;
  int y = 0;
};

// Index 0 is the empty record (every text empty); channels 1..300.
class FreqDirectory {
 public:
  FreqDirectory() {
    channels_[0].frequency.clear();
    channels_[0].mode.clear();
  }
  FreqChannel& operator[](int n) { return channels_.at(static_cast<std::size_t>(n)); }
  const FreqChannel& operator[](int n) const { return channels_.at(static_cast<std::size_t>(n)); }

 private:
  std::array<FreqChannel, kFreqChannels + 1> channels_{};
};

// The in-memory form of a flag: "=" when set, the empty text when clear.
std::string Marker(bool set);

// The 68 bytes of record n for `channel`. The record carries n, not channel.channel;
// the frequency text's fourth character (the separator) is skipped whatever it is;
// map number and coordinates are written blank.
std::string EncodeFreqRecord(const FreqChannel& channel, int n);
// One record (68 bytes; a shorter one reads as if zero-padded). The frequency text is
// formatted with `decimal_separator`, the locale's, so it matches the status display.
FreqChannel DecodeFreqRecord(std::string_view record, char decimal_separator);

// Start-up: opens `path` into `file` (created when missing, kept open for the run) and
// loads channels 1..300; records past the end of the file load as empty records. Loading
// goes on past any failure; the first one is returned for the start-up message and is
// empty when all went well. A file that cannot be written is still loaded (read only),
// and the failure returned says so.
Failure LoadFreqDirectory(const std::string& path, RecordFile& file, FreqDirectory& dir,
                          char decimal_separator);

// Writes channels (bank − 1) × 30 + 1 .. bank × 30 to their records and touches nothing
// else. A bank outside 1..10 writes nothing and is no failure. A failed or short write,
// or a file opened read-only, is returned: the bank is then not saved.
Failure WriteBank(RecordFile& file, const FreqDirectory& dir, int bank);

}  // namespace scandeck
