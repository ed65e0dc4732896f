#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/core/platform.h"
#include "link/core/com_links.h"
#include "link/core/serial_devices.h"
#include "support/temp_dir.h"

using namespace scandeck;
using scandeck::testing::TempDir;

TEST(ComLinks, AFileNamedComNIsOpenedElseTheSystemsPort) {
  TempDir dir;
  const std::string system_port = platform::kWindows ? "COM2" : "/dev/ttyS1";
  PortTarget target = TargetOfPort(2, dir.path.string());
  EXPECT_FALSE(target.via_link);
  EXPECT_EQ(target.open_path, system_port);
  if (platform::kWindows) GTEST_SKIP() << "a file named com2 is the serial port COM2 itself on Windows";
  dir.write("com2", "notes");
  target = TargetOfPort(2, dir.path.string());
  EXPECT_TRUE(target.via_link);
  EXPECT_EQ(target.open_path, dir.file("com2"));
  EXPECT_TRUE(target.exists);
}

TEST(SerialDevices, UsbAdaptersComeFirstInNumberOrderWithWhatTheySay) {
  const std::vector<SerialDevice> found = {
      {"/dev/ttyS10", "", "16550A"}, {"/dev/ttyS2", "", ""},       {"/dev/ttyUSB1", "FTDI", "FT232R USB UART"},
      {"", "ghost", ""},             {"/dev/ttyACM0", "Arduino", "Arduino"}, {"/dev/ttyUSB0", "Prolific", ""},
      {"/dev/ttyS2", "", ""},
  };
  std::vector<std::string> captions;
  for (const auto& d : OfferedDevices(found)) captions.push_back(DeviceCaption(d));
  EXPECT_EQ(captions, (std::vector<std::string>{"/dev/ttyACM0 (Arduino)", "/dev/ttyUSB0 (Prolific)",
                                                "/dev/ttyUSB1 (FTDI, FT232R USB UART)", "/dev/ttyS2",
                                                "/dev/ttyS10 (16550A)"}));
}
