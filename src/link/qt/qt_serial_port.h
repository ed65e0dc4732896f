#pragma once
// The serial port behind the link, on QSerialPort.
#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QString>

#include "link/core/serial_port.h"

namespace scandeck {

// Port number n opens "comN" in the working folder when that entry exists (a link
// to /dev/ttyUSB0, or to a pseudo-terminal), else the system's own name for it.
QString PortDeviceName(int port_number, const QString& folder = QStringLiteral("."));

class QtSerialPort final : public SerialPort {
 public:
  explicit QtSerialPort(QString folder = QStringLiteral("."));

  bool open(int port_number, const SerialSettings& settings, Failure& failure) override;
  void close() override;
  bool isOpen() const override;
  std::size_t waiting() override;
  std::string readAll() override;
  bool write(std::string_view bytes, Failure& failure) override;

 private:
  void quiet();

  QString folder_;
  QSerialPort port_;
  QPointer<QSocketNotifier> read_notifier_, write_notifier_;
};

}  // namespace scandeck
