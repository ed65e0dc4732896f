#pragma once
// The serial devices the system reports, through QSerialPortInfo.
#include "link/core/serial_devices.h"

namespace scandeck {

class QtSerialDevices final : public SerialDeviceList {
 public:
  std::vector<SerialDevice> devices() override;
};

}  // namespace scandeck
