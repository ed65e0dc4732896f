#pragma once
// The program as a user runs it, on a real serial port: the comN link in `folder`
// (a pseudo-terminal, with the simulated scanner or anything else behind it).
#include <QString>

#include "link/qt/qt_serial_port.h"
#include "support/fake_desktop.h"
#include "ui/qt/main_window.h"

namespace scandeck::testing {

struct PtySession {
  explicit PtySession(const QString& folder)
      : device(folder), core(device, desktop, folder.toStdString(), '.'), main(core) {
    main.Form_Load();
  }
  QtSerialPort device;
  FakeDesktop desktop;
  MainCore core;
  MainWindow main;
};

}  // namespace scandeck::testing
