// The setup window as a user with two USB serial adapters sees it after a port was
// refused for permissions: two pseudo-terminals stand in for the adapters, com1 is
// linked to the first. For screenshots (scripts/screenshot-start.sh); OK does nothing.
#include <QApplication>
#include <filesystem>

#include "app/qt/start_window.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  scandeck::testing::PtyPair ftdi, prolific;
  scandeck::testing::TempDir folder;
  std::error_code ignored;
  std::filesystem::create_symlink(ftdi.name, folder.path / "com1", ignored);
  const std::vector<scandeck::SerialDevice> found = {{ftdi.name, "FTDI", "FT232R USB UART"},
                                                     {prolific.name, "Prolific", "USB-Serial Controller"}};
  scandeck::Start window(scandeck::SetupChoiceFor("Jo Listener", 1, "9600,n,8,1"),
                         scandeck::SetupPortsFor(folder.path.string(), found,
                                                 {scandeck::errc::kPermissionDenied, "Permission denied"}),
                         nullptr);
  window.move(0, 0);
  window.show();
  return app.exec();
}
