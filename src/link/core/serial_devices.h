#pragma once
// The serial devices the system has, as the setup window offers them.
#include <string>
#include <vector>

namespace scandeck {

struct SerialDevice {
  std::string path;     // "/dev/ttyUSB0"
  std::string maker;    // a USB adapter's manufacturer, when it says
  std::string product;  // its product or the driver's description
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

// "/dev/ttyUSB0 (FTDI, FT232R USB UART)", or the bare path when nothing more is known.
std::string DeviceCaption(const SerialDevice& device);

}  // namespace scandeck
