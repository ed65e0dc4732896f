#pragma once
// What each control of the main window sends. Toggles decide from the displayed
// state, which the decoders keep in step with the scanner.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "status/core/scanner_status.h"

namespace scandeck {

using Commands = std::vector<std::string>;

enum class PanelButton { Scan = 0, Manual = 1, Trunk = 2, Hold = 3, Picture2 = 4, Service = 5, Search = 6 };
// Button(0) .. Button(6).
Commands ButtonCommands(PanelButton button);
// The keys by their captions on the window (the two pictured keys by what they are),
// the only texts a remote key press may name.
struct PanelKey {
  const char* caption;
  PanelButton button;
};
inline constexpr PanelKey kPanelKeys[] = {{"SCAN", PanelButton::Scan},   {"MANUAL", PanelButton::Manual},
                                          {"TRUNK", PanelButton::Trunk}, {"HOLD", PanelButton::Hold},
                                          {"FUNC", PanelButton::Picture2}, {"SVC", PanelButton::Service},
                                          {"SRCH", PanelButton::Search}};

enum class ModeMenu { Scan, Manual, Trunk, Search };
// The "Mo&de" menu sends the key alone, without the button's queries.
Commands ModeMenuCommands(ModeMenu entry);

// buttonlbl(0..4): DATA, ATT, PRI toggle and query; DLY and L/O press their keys.
Commands StatusLabelCommands(int index, const ScannerStatus& status);

// Flips bank b (1..10) in the table, rebuilds entry 0 as the selected letters in
// bank order and returns "SB " (or "IS ") with them. b = 0 flips nothing.
std::string ToggleBank(std::array<std::string, 11>& banks, int b, std::string_view prefix);

enum class LightControl { Off, On, Auto };  // the picture clicked
Commands LightCommands(LightControl picture);
Commands LightPermanentCommands(const ScannerStatus& status);
Commands MuteCommands(const ScannerStatus& status);
Commands MonitorCommands(const ScannerStatus& status);

// Text typed before an Enter in the channel box: "MA" + channel, at least three
// digits. Nothing when the box held no Enter.
std::optional<std::string> ChannelEnter(std::string_view box_text);
// "IC " + bank letter + channel digit, for ID banks and channels 1..10 only; any
// other entry gives nothing, so no control or foreign byte reaches the link.
std::optional<std::string> IdChannelCommand(std::string_view bank_text, std::string_view channel_text);
// "LL"/"LU" + eight digits in units of 100 Hz; nothing unless both boxes hold text.
Commands LimitCommands(std::string_view lower_box, std::string_view upper_box);
// The data panel's "Test": "PM001" .. "PM009".
Commands TestCommands();

// What a box's text keeps of typed or pasted input: printable bytes only.
std::string Printable(std::string_view text);

}  // namespace scandeck
