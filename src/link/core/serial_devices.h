#pragma once
// The serial devices the system has, as the setup window offers them.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scandeck {

struct SerialDevice {
  std::string path;     // "/dev/ttyUSB0"
  std::string maker;    // a USB adapter's manufacturer, when it says
  std::string product;  // its product or the driver's description
  std::string stable = {};  // "/dev/serial/by-id/usb-FTDI_…-if00-port0", when the system made one
};

// The program asks the system (QSerialPortInfo); tests and previews hand in their own.
class SerialDeviceList {
 public:
  virtual ~SerialDeviceList() = default;
  virtual std::vector<SerialDevice> devices() = 0;
};

// USB adapters (ttyUSB, ttyACM) first, then the rest, each in number order
// (ttyS2 before ttyS10); nameless and repeated entries dropped.
std::vector<SerialDevice> OfferedDevices(std::vector<SerialDevice> found);

// What a comN link to the device should name: the stable name, which follows the
// adapter through replugs while ttyUSB numbers move, else the kernel's name.
const std::string& LinkTarget(const SerialDevice& device);

// "/dev/serial/by-id/usb-… (/dev/ttyUSB0, FTDI, FT232R USB UART)",
// "/dev/ttyUSB0 (FTDI, FT232R USB UART)", or the bare path when nothing more is known.
// `before_details` goes before the parenthesis (a window may break the line there).
std::string DeviceCaption(const SerialDevice& device, std::string_view before_details = " ");

// One entry of a /dev/serial/by-id folder: its path and the device it resolves to.
using StableName = std::pair<std::string, std::string>;
// Gives each device the first stable name (in name order) that resolves to it.
std::vector<SerialDevice> WithStableNames(std::vector<SerialDevice> found, std::vector<StableName> names);
// The folder's entries that resolve to something; dangling, unreadable and vanishing
// ones are left out, and a missing folder (no USB adapter, or Windows) gives none.
std::vector<StableName> ReadStableNames(const std::string& folder);

}  // namespace scandeck
