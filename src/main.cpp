// ScanDeck: remote control for a BC245XLT trunk-tracking scanner.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "app/qt/qt_desktop.h"
#include "app/qt/start_window.h"
#include "app/qt/stop_requests.h"
#include "common/qt/listener_style.h"
#include "common/qt/qt_text.h"
#include "import/core/run_lock.h"
#include "link/qt/qt_serial_devices.h"
#include "link/qt/qt_serial_port.h"
#include "ui/core/main_core.h"
#include "ui/qt/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("ScanDeck");
  scandeck::UseListenerStyle(app);

  scandeck::QtDesktop desktop;
  // Held for the whole run: scandeck-dir does not write the directories under us,
  // and a second ScanDeck in this folder says so and ends before it touches a file.
  // A folder where the lock cannot be made (read-only) still runs.
  scandeck::RunLock lock;
  if (lock.acquire(".") == scandeck::RunLock::State::Busy) {
    const std::string text = scandeck::AlreadyRunningText(scandeck::FromQt(QDir::currentPath()));
    std::fprintf(stderr, "scandeck: %s\n", text.c_str());
    desktop.message(text);
    return 1;
  }

  scandeck::QtSerialPort port;
  scandeck::QtSerialDevices devices;
  scandeck::MainCore core(port, desktop, ".", scandeck::LocaleDecimalSeparator());
  scandeck::MainWindow window(core);
  desktop.setOwner(&window);
  desktop.setSetupRunner([&] {
    // Modal; its OK hands the choice to the core, which links, writes and ends the process.
    scandeck::Start setup(core.CurrentSetupChoice(), core.CurrentSetupPorts(devices.devices()),
                          [&core](const scandeck::SetupChoice& choice) { core.ConfirmSetup(choice); }, &window);
    setup.exec();
  });

  scandeck::StopRequests stop([&] { window.EndSession(); });

  window.Form_Load();
  // The setup window confirmed during start-up ends the program before it is shown.
  if (desktop.ending()) return 0;
  window.show();
  return app.exec();
}
