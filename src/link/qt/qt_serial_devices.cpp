#include "link/qt/qt_serial_devices.h"

#include <QFile>
#include <QSerialPortInfo>

#include "common/qt/qt_text.h"

namespace scandeck {

std::vector<SerialDevice> QtSerialDevices::devices() {
  // Qt lists USB adapters with their maker and product, and leaves out the ttyS
  // ports that have no hardware behind them.
  std::vector<SerialDevice> found;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    found.push_back({QFile::encodeName(info.systemLocation()).toStdString(), FromQt(info.manufacturer()),
                     FromQt(info.description())});
  return WithStableNames(std::move(found), ReadStableNames("/dev/serial/by-id"));
}

}  // namespace scandeck
