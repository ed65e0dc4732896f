#pragma once
// The setup window's rules: which options a configuration selects, and what
// confirming them writes.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/config.h"

namespace scandeck {

inline constexpr std::array<std::string_view, 4> kSetupSpeeds = {"2400,n,8,1", "4800,n,8,1", "9600,n,8,1",
                                                                 "19200,n,8,1"};
inline constexpr int kSetupPorts = 4;

struct SetupChoice {
  std::string user_name;
  std::optional<int> port;        // 1..4
  std::optional<int> speed;       // 1..4, member of the speed group
};

// What the window shows when it opens.
SetupChoice SetupChoiceFor(const std::string& user_name, int port_number, const std::string& settings);

// The configuration that confirming writes: the chosen port and speed (empty when
// none is chosen), the current log settings and window size from `current`.
ScanDeckConfig ConfigForSetup(const SetupChoice& choice, const ScanDeckConfig& current);

inline constexpr const char* kSetupSavedMessage = "The new configuration is save ! Now Restart.";
inline constexpr const char* kSetupInstructions =
    "Put you scanner in 'PC Con' mode. \r\n"
    "PwrON + E , Select 'PC Con', E\r\n"
    "Select Speed, PwrOFF\r\n"
    "\r\n"
    "Don't forget to put it in REMOTE MODE by holding the E key for 2 seconds. The Lock Key will flash.\r\n";

}  // namespace scandeck
