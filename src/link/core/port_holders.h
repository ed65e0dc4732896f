#pragma once
// Who holds a serial adapter that will not open, and what the user can do about it.
// On Linux the braille service and the modem manager both grab new USB serial
// adapters; the advice names the targeted fix, never removing the service.
#include <string>
#include <vector>

namespace scandeck {

struct Process {
  std::string pid;
  std::string name;           // its command name (proc/PID/comm)
  bool holds_device = false;  // one of its open files is the device
};

// Every process under `proc_root` (normally "/proc") whose name can be read, and
// whether it has `device` open. Other users' open files are often unreadable, and
// processes end while we look: such entries are skipped, never fatal. Without the
// folder (Windows) there are none.
std::vector<Process> ScanProcesses(const std::string& proc_root, const std::string& device);

enum class PortTrouble {
  kBusy,      // the system said the device is in use
  kVanished,  // the device was there, and gone when it was opened
};

// What the setup window says: who holds `device` (or probably does) and what to do.
// `usb_id` is "0403:6001" (vendor:product) when known, for the udev rule.
std::string TakenAdvice(PortTrouble trouble, const std::string& device, const std::vector<Process>& processes,
                        const std::string& usb_id);

}  // namespace scandeck
