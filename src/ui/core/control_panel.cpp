#include "ui/core/control_panel.h"

#include <cmath>

#include "common/core/text.h"
#include "link/core/protocol.h"

namespace scandeck {

namespace c = protocol::cmd;

namespace {
std::string S(std::string_view v) { return std::string(v); }
}  // namespace

Commands ButtonCommands(PanelButton button) {
  switch (button) {
    case PanelButton::Scan: return {S(c::kMode), S(c::kScanBanks), S(c::kKeyScan)};
    case PanelButton::Manual: return {S(c::kFrequency), S(c::kKeyManual)};
    case PanelButton::Trunk: return {S(c::kKeyTrunk)};
    case PanelButton::Hold: return {S(c::kKeyHold)};
    case PanelButton::Picture2: return {S(c::kKeyPicture2)};
    case PanelButton::Service: return {S(c::kKeyServiceSearch)};
    case PanelButton::Search: return {S(c::kKeySearch)};
  }
  return {};
}

Commands ModeMenuCommands(ModeMenu entry) {
  switch (entry) {
    case ModeMenu::Scan: return {S(c::kKeyScan)};
    case ModeMenu::Manual: return {S(c::kKeyManual)};
    case ModeMenu::Trunk: return {S(c::kKeyTrunk)};
    case ModeMenu::Search: return {S(c::kKeySearch)};
  }
  return {};
}

Commands StatusLabelCommands(int index, const ScannerStatus& status) {
  switch (index) {
    case 0: return {S(status.DataSkipOn ? c::kDataSkipOff : c::kDataSkipOn), S(c::kDataSkip)};
    case 1: return {S(status.AttenuatorOn ? c::kAttenuatorOff : c::kAttenuatorOn), S(c::kAttenuator)};
    case 2: return {S(status.PriorityOn ? c::kPriorityOff : c::kPriorityOn), S(c::kPriority)};
    case 3: return {S(c::kKeyDelay)};
    case 4: return {S(c::kKeyLockout)};
    default: return {};
  }
}

std::string ToggleBank(std::array<std::string, 11>& banks, int b, std::string_view prefix) {
  for (int i = 1; i <= protocol::kBanks; ++i) {
    if (i != b) continue;
    auto& entry = banks[static_cast<std::size_t>(i)];
    entry = entry.empty() ? std::string(1, protocol::BankLetter(i)) : std::string();
  }
  banks[0].clear();
  for (int i = 1; i <= protocol::kBanks; ++i) banks[0] += banks[static_cast<std::size_t>(i)];
  return std::string(prefix) + banks[0];
}

Commands LightCommands(LightControl picture) {
  switch (picture) {
    case LightControl::Off: return {S(c::kLightOn), S(c::kLight)};
    case LightControl::On: return {S(c::kLightOff), S(c::kLight)};
    case LightControl::Auto: return {S(c::kAutoLightOff), S(c::kLightOn), S(c::kLight)};
  }
  return {};
}

Commands LightPermanentCommands(const ScannerStatus& status) {
  return {S(status.LightState ? c::kLightOff : c::kLightOn), S(c::kLight)};
}

Commands MuteCommands(const ScannerStatus& status) {
  return {S(status.AudioState == Audio::Mute ? c::kAudioNeither : c::kMute), S(c::kAudio)};
}

Commands MonitorCommands(const ScannerStatus& status) {
  return {S(status.AudioState == Audio::Monitor ? c::kAudioNeither : c::kMonitor), S(c::kAudio)};
}

std::optional<std::string> ChannelEnter(std::string_view box_text) {
  const auto enter = box_text.find_first_of("\r\n");
  if (enter == std::string_view::npos) return std::nullopt;
  return S(c::kGoToChannel) + FormatPadded(NumericValue(box_text.substr(0, enter)), 3);
}

namespace {
std::optional<int> WholeNumberIn(std::string_view text, int low, int high) {
  const std::string printable = Printable(text);
  const auto trimmed = TrimSpace(printable);
  if (trimmed.empty()) return std::nullopt;
  for (char ch : trimmed)
    if (ch < '0' || ch > '9') return std::nullopt;
  if (trimmed.size() > 2) return std::nullopt;
  const int value = static_cast<int>(NumericValue(trimmed));
  if (value < low || value > high) return std::nullopt;
  return value;
}
}  // namespace

std::optional<std::string> IdChannelCommand(std::string_view bank_text, std::string_view channel_text) {
  const auto bank = WholeNumberIn(bank_text, 1, protocol::kBanks);
  const auto channel = WholeNumberIn(channel_text, 1, 10);
  if (!bank || !channel) return std::nullopt;
  return S(c::kIdChannelOf) + protocol::BankLetter(*bank) + static_cast<char>('0' + *channel % 10);
}

Commands LimitCommands(std::string_view lower_box, std::string_view upper_box) {
  if (lower_box.empty() || upper_box.empty()) return {};
  return {S(c::kLowerLimit) + FormatPadded(NumericValue(lower_box) * 10000.0, 8),
          S(c::kUpperLimit) + FormatPadded(NumericValue(upper_box) * 10000.0, 8)};
}

Commands TestCommands() {
  Commands out;
  for (int n = 1; n <= 9; ++n) out.push_back(S(c::kTestChannel) + static_cast<char>('0' + n));
  return out;
}

std::string Printable(std::string_view text) {
  std::string out;
  for (char ch : text)
    if (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7f) out += ch;
  return out;
}

}  // namespace scandeck
