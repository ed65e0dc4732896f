#pragma once
// The program's picture of the scanner: what it last reported. Only the decoders
// change it, except the bank tables, which the control panel's toggles also use,
// and CenterTuningOn, which is the user's display option.
#include <array>
#include <cstdint>
#include <string>

namespace scandeck {

enum class Audio { Neither, Mute, Monitor };

// The x position of the centre mark of the tuning scale, where the needle starts.
inline constexpr double kTuningCentreTwips = 2040;

struct ScannerStatus {
  std::string ModeText;
  std::int16_t ModeCode = 0;
  bool SquelchOpen = false;

  std::string FrequencyText;
  std::string ChannelNumber;
  std::string ChannelName;
  std::string ChannelType;
  double TuningOffset = kTuningCentreTwips;  // needle x, twips

  std::string TrunkBank;  // decimal text of the bank number
  std::string SystemName;
  std::string TalkgroupId;
  std::string TalkgroupName;
  std::string TalkgroupType;
  bool TalkgroupActive = false;
  std::string IdChannel;  // "g-p"
  std::string IdChannelId;
  std::string IdChannelName;
  std::string IdChannelType;

  // Indicators: on shows red, off black.
  bool DataSkipOn = false;
  bool AttenuatorOn = false;
  bool PriorityOn = false;
  bool DelayOn = false;
  bool LockoutOn = false;

  bool LightState = false;  // off: the LightOff picture is shown
  Audio AudioState = Audio::Neither;

  std::string LowerLimit;
  std::string UpperLimit;

  // Index k (1..10): the bank's letter when selected, else empty. Index 0 is the
  // control panel's scratch entry for building a selection command.
  std::array<std::string, 11> ScanBanks{};
  std::array<std::string, 11> IdScanBanks{};
  // The bank labels' colours (index 1..10, red when set), as the last "SB"/"IS"
  // reply left them: a click changes the tables above, the colours wait for the scanner.
  std::array<bool, 11> BankLit{};
  std::array<bool, 11> IdBankLit{};

  // Check mark of "&Center Tuning": the needle follows "W" replies only while set.
  bool CenterTuningOn = false;

  bool operator==(const ScannerStatus&) const = default;
};

}  // namespace scandeck
