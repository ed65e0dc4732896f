// The setup window as a user with two USB serial adapters sees it after the port was
// found busy: two pseudo-terminals stand in for the adapters, named in a fake
// /dev/serial/by-id folder, and com1 is linked to the first one's stable name. For
// screenshots (scripts/screenshot-start.sh); OK does nothing.
#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "app/qt/start_window.h"
#include "link/core/port_holders.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  namespace fs = std::filesystem;
  scandeck::testing::PtyPair ftdi, prolific;
  scandeck::testing::TempDir folder;
  // As long a name as /dev/serial/by-id/, so the window is as wide as a user's.
  char by_id_name[] = "/tmp/by-idXXXXXX";
  if (!::mkdtemp(by_id_name)) return 1;
  struct Removed {
    fs::path path;
    ~Removed() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } by_id{by_id_name};
  const fs::path ftdi_id = by_id.path / "usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0";
  std::error_code ignored;
  fs::create_symlink(ftdi.name, ftdi_id, ignored);
  fs::create_symlink(prolific.name, by_id.path / "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0", ignored);
  fs::create_symlink(ftdi_id, folder.path / "com1", ignored);
  const std::vector<scandeck::SerialDevice> found = scandeck::WithStableNames(
      {{ftdi.name, "FTDI", "FT232R USB UART"}, {prolific.name, "Prolific", "USB-Serial Controller"}},
      scandeck::ReadStableNames(by_id.path.string()));
  const std::string advice = scandeck::TakenAdvice(scandeck::PortTrouble::kBusy, ftdi.name,
                                                   {{"812", "ModemManager", true}}, "0403:6001");
  scandeck::Start window(scandeck::SetupChoiceFor("Jo Listener", 1, "9600,n,8,1"),
                         scandeck::SetupPortsFor(folder.path.string(), found, {scandeck::errc::kDeviceBusy, advice}),
                         nullptr);
  window.move(0, 0);
  window.show();
  return app.exec();
}
