#pragma once
// The setup window's rules: which options a configuration selects, and what
// confirming them writes.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/config.h"
#include "common/core/failure.h"
#include "link/core/com_links.h"
#include "link/core/serial_devices.h"

namespace scandeck {

inline constexpr std::array<std::string_view, 4> kSetupSpeeds = {"2400,n,8,1", "4800,n,8,1", "9600,n,8,1",
                                                                 "19200,n,8,1"};
inline constexpr int kSetupPorts = 4;

struct SetupChoice {
  std::string user_name;
  std::optional<int> port;        // 1..4
  std::optional<int> speed;       // 1..4, member of the speed group
  std::optional<std::string> device;  // a detected device to link the chosen port to
};

// What the window shows beside the port and speed options: the device each Com
// option opens, the devices the system has, and why opening may have failed.
struct SetupPorts {
  std::array<std::string, kSetupPorts> opens;  // "Com 1 opens /dev/ttyUSB0 through com1, present"
  std::vector<SerialDevice> offered;
  bool permission_hint = false;
  std::string holder_hint;  // who holds a busy adapter and what to do, when the port was busy
};

std::string PortOpensText(int port_number, const PortTarget& target);
SetupPorts SetupPortsFor(const std::string& folder, std::vector<SerialDevice> found, const Failure& open_failure);

// Confirming with a device chosen: links the chosen port to it before anything is
// written. Without a chosen port there is nothing to link and nothing fails.
Failure LinkChosenDevice(const SetupChoice& choice, const std::string& folder);
// "com1 was not linked to /dev/ttyUSB0: <why>", shown instead of saving.
std::string LinkFailedText(const SetupChoice& choice, const Failure& failure);

// What the window shows when it opens.
SetupChoice SetupChoiceFor(const std::string& user_name, int port_number, const std::string& settings);

// The configuration that confirming writes: the chosen port and speed (empty when
// none is chosen), the current log settings and window size from `current`.
ScanDeckConfig ConfigForSetup(const SetupChoice& choice, const ScanDeckConfig& current);

inline constexpr const char* kSetupSavedMessage = "The new configuration is save ! Now Restart.";
inline constexpr const char* kDialoutHint =
    "No permission to open the port: join the dialout group with  sudo usermod -aG dialout $USER  "
    "then log out and in again.";
inline constexpr const char* kSetupInstructions =
    "Put you scanner in 'PC Con' mode. \r\n"
    "PwrON + E , Select 'PC Con', E\r\n"
    "Select Speed, PwrOFF\r\n"
    "\r\n"
    "Don't forget to put it in REMOTE MODE by holding the E key for 2 seconds. The Lock Key will flash.\r\n";

}  // namespace scandeck
