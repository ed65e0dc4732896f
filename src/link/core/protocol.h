#pragma once
// Every command the program writes and every reply it reads, with the reply field
// positions, in one place. Senders and decoders use these names, never literals,
// so a change of the scanner's wording is a change here only.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace scandeck::protocol {

// Commands. Each is written as shown plus one carriage return (Link::SendCommand).
namespace cmd {
// Queries.
inline constexpr std::string_view kFrequency = "WI";   // reply "W"
inline constexpr std::string_view kMode = "MD";        // reply "MD"
inline constexpr std::string_view kDelay = "DL";       // reply "DL"
inline constexpr std::string_view kLockout = "LO";     // reply "LO"
inline constexpr std::string_view kTrunkBank = "TB";   // reply "TB"
inline constexpr std::string_view kIdChannel = "IC";   // reply "IC"
inline constexpr std::string_view kScanBanks = "SB";   // reply "SB"
inline constexpr std::string_view kIdBanks = "IS";     // reply "IS"
inline constexpr std::string_view kSquelch = "SQ";     // reply "+" or "-"
inline constexpr std::string_view kLight = "LT";       // reply "LT"
inline constexpr std::string_view kPriority = "PR";    // reply "PR"
inline constexpr std::string_view kDataSkip = "DS";    // reply "DS"
inline constexpr std::string_view kAttenuator = "AT";  // reply "AT"
inline constexpr std::string_view kLowerLimit = "LL";  // reply "LL"; also the prefix that sets it
inline constexpr std::string_view kUpperLimit = "LU";  // reply "LU"; also the prefix that sets it
inline constexpr std::string_view kAudio = "MU";       // reply "MU"

// Settings.
inline constexpr std::string_view kLightOn = "LTN";
inline constexpr std::string_view kLightOff = "LTF";
inline constexpr std::string_view kAutoLightOff = "ALF";
inline constexpr std::string_view kPriorityOn = "PRN";
inline constexpr std::string_view kPriorityOff = "PRF";
inline constexpr std::string_view kDataSkipOn = "DSN";
inline constexpr std::string_view kDataSkipOff = "DSF";
inline constexpr std::string_view kAttenuatorOn = "ATN";
inline constexpr std::string_view kAttenuatorOff = "ATF";
inline constexpr std::string_view kMute = "MUN";
inline constexpr std::string_view kMonitor = "MUF";
inline constexpr std::string_view kAudioNeither = "MUA";
inline constexpr std::string_view kQuOn = "QUN";
inline constexpr std::string_view kQuOff = "QUF";
inline constexpr std::string_view kIdOn = "IDN";
inline constexpr std::string_view kIdOff = "IDF";

// Prefixes followed by an argument.
inline constexpr std::string_view kSetScanBanks = "SB ";     // + selected bank letters
inline constexpr std::string_view kSetIdBanks = "IS ";       // + selected ID bank letters
inline constexpr std::string_view kIdChannelOf = "IC ";      // + ID bank letter + digit ("0" = 10)
inline constexpr std::string_view kGoToChannel = "MA";       // + channel, three digits
inline constexpr std::string_view kReadChannel = "PM";       // + channel, three digits; reply "C"
inline constexpr std::string_view kTestChannel = "PM00";     // + one digit 1..9

// Keys.
inline constexpr std::string_view kKeyScan = "KEY00";
inline constexpr std::string_view kKeyManual = "KEY01";
inline constexpr std::string_view kKeyRemoteOff = "KEY04H";
inline constexpr std::string_view kKeyLockout = "KEY06";
inline constexpr std::string_view kKeyHold = "KEY07";
inline constexpr std::string_view kKeyPicture2 = "KEY08";
inline constexpr std::string_view kKeySearch = "KEY09";
inline constexpr std::string_view kKeyServiceSearch = "KEY10";
inline constexpr std::string_view kKeyDelay = "KEY12";
inline constexpr std::string_view kKeyTrunk = "KEY13";
}  // namespace cmd

// Reply codes: a reply carries a code when it begins with exactly these characters.
namespace reply {
inline constexpr std::string_view kSquelchOpen = "+";
inline constexpr std::string_view kSquelchClosed = "-";
inline constexpr std::string_view kMode = "MD";
inline constexpr std::string_view kTalkgroupStart = "ID S ";
inline constexpr std::string_view kTalkgroupEnd = "ID E ";
inline constexpr std::string_view kFrequency = "W";
inline constexpr std::string_view kTrunkBank = "TB";
inline constexpr std::string_view kIdChannel = "IC";
inline constexpr std::string_view kDelay = "DL";
inline constexpr std::string_view kLockout = "LO";
inline constexpr std::string_view kPriority = "PR";
inline constexpr std::string_view kDataSkip = "DS";
inline constexpr std::string_view kAttenuator = "AT";
inline constexpr std::string_view kLight = "LT";
inline constexpr std::string_view kAudio = "MU";
inline constexpr std::string_view kLowerLimit = "LL";
inline constexpr std::string_view kUpperLimit = "LU";
inline constexpr std::string_view kScanBanks = "SB";
inline constexpr std::string_view kIdBanks = "IS";
inline constexpr std::string_view kChannelRecord = "C";  // read by the frequency directory window

inline bool HasCode(std::string_view text, std::string_view code) { return text.starts_with(code); }
}  // namespace reply

// A field of a reply: characters first..first+count-1, counted from 1.
struct Field {
  std::size_t first;
  std::size_t count;  // kToEnd: everything from `first` on
};
inline constexpr std::size_t kToEnd = std::string_view::npos;

// Field positions used by the status decoders.
namespace field {
inline constexpr Field kModeDigits{3, 2};      // "MD"
inline constexpr Field kCentreTuning{2, 3};    // "W"
inline constexpr Field kFrequency{7, 8};       // "W", eight digits in units of 100 Hz
inline constexpr Field kFlag{3, 1};            // "DL" "LO" "PR" "DS" "AT" "LT" "MU"
inline constexpr Field kLimit{3, 8};           // "LL" "LU"
inline constexpr Field kBankLetters{3, kToEnd};  // "SB" "IS"
inline constexpr Field kTalkgroupId{6, 6};     // "ID S " "ID E "
inline constexpr Field kTrunkBankLetter{4, 1}; // "TB"
inline constexpr Field kSystemText{6, 10};     // "TB"
inline constexpr Field kIdBankLetter{4, 1};    // "IC"
inline constexpr Field kIdPosition{5, 1};      // "IC", "0" standing for 10
inline constexpr Field kIdText{7, 7};          // "IC"
}  // namespace field

// The field's text; empty or cut short when the reply is shorter.
std::string_view Take(std::string_view reply, Field f);

inline constexpr char kFlagOn = 'N';
inline constexpr char kFlagOff = 'F';
// The scanner's display glyph for "=" in talkgroup IDs; directories store "=".
inline constexpr char kIdGlyph = '\xFE';

// Bank k (1..10) is the letter with code 64 + k, "A".."J", in commands and replies.
inline constexpr int kBanks = 10;
inline char BankLetter(int bank) { return static_cast<char>(64 + bank); }
// The number a letter stands for, taking the byte as unsigned: "A" 1, "J" 10, "K" 11, " " -32.
inline int BankNumber(char letter) { return static_cast<unsigned char>(letter) - 64; }

// Operating modes by their two reply digits.
struct ModeEntry {
  std::string_view digits;
  std::string_view text;
  bool trunkId;  // the scanner is tracking a system: ask for its bank and ID channel
};
inline constexpr std::array<ModeEntry, 11> kModes = {{
    {"00", "Scan Mode", false},
    {"01", "Manual Mode", false},
    {"02", "Limit Search", false},
    {"03", "Hold Search", false},
    {"04", "Svc Search", false},
    {"05", "Svc Search", false},
    {"09", "ID Search", true},
    {"15", "ID Search", true},
    {"16", "ID Src/Hold", true},
    {"17", "Scan ID", true},
    {"18", "Hold ID", true},
}};
// nullptr for digits the table does not know: the mode text then stays as it was.
const ModeEntry* FindMode(std::string_view digits);

// Below this mode code the squelch reports drive the pop-up; above it the talkgroup
// reports do; the code itself belongs to neither.
inline constexpr int kTrunkModeThreshold = 9;

// Mode texts in which the scanner sits on one channel, so its lockout is worth asking.
inline constexpr std::array<std::string_view, 3> kLockoutModes = {"Manual Mode", "Hold ID",
                                                                  "Hold Search"};

// The status query sweep, in the order written.
inline constexpr std::array<std::string_view, 13> kSweepCommands = {
    cmd::kQuOn,     cmd::kIdOn,     cmd::kSquelch,    cmd::kScanBanks, cmd::kIdBanks,
    cmd::kTrunkBank, cmd::kLight,   cmd::kPriority,   cmd::kDataSkip,  cmd::kAttenuator,
    cmd::kLowerLimit, cmd::kUpperLimit, cmd::kAudio,
};

}  // namespace scandeck::protocol
