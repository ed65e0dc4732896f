#include "link/qt/qt_serial_port.h"

#include <QFile>

#include "link/core/com_links.h"

namespace scandeck {

QString PortDeviceName(int port_number, const QString& folder) {
  return QFile::decodeName(TargetOfPort(port_number, QFile::encodeName(folder).toStdString()).open_path.c_str());
}

QtSerialPort::QtSerialPort(QString folder) : folder_(std::move(folder)) {
  // Unplugging a USB adaptor leaves QSerialPort "open" but dead; close it so the
  // link reports the change once instead of failing silently.
  QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError error) {
    if (error == QSerialPort::ResourceError && port_.isOpen()) port_.close();
  });
}

namespace {
Failure OpenFailure(const QSerialPort& port) {
  int code = errc::kDeviceUnavailable;
  switch (port.error()) {
    case QSerialPort::DeviceNotFoundError: code = errc::kInvalidPortNumber; break;
    case QSerialPort::OpenError: code = errc::kPortAlreadyOpen; break;
    // A fresh Linux account is not in the dialout group: the setup window says how to join it.
    case QSerialPort::PermissionError: code = errc::kPermissionDenied; break;
    case QSerialPort::UnsupportedOperationError: code = errc::kInvalidSettings; break;
    default: break;
  }
  return Failure{code, port.errorString().toStdString()};
}
}  // namespace

bool QtSerialPort::open(int port_number, const SerialSettings& settings, Failure& failure) {
  port_.setPortName(PortDeviceName(port_number, folder_));
  if (!port_.open(QIODevice::ReadWrite)) {
    failure = OpenFailure(port_);
    return false;
  }
  using P = SerialSettings::Parity;
  using S = SerialSettings::StopBits;
  const QSerialPort::Parity parity = settings.parity == P::Even    ? QSerialPort::EvenParity
                                     : settings.parity == P::Odd   ? QSerialPort::OddParity
                                     : settings.parity == P::Mark  ? QSerialPort::MarkParity
                                     : settings.parity == P::Space ? QSerialPort::SpaceParity
                                                                   : QSerialPort::NoParity;
  const QSerialPort::StopBits stop = settings.stop_bits == S::Two          ? QSerialPort::TwoStop
                                     : settings.stop_bits == S::OneAndHalf ? QSerialPort::OneAndHalfStop
                                                                           : QSerialPort::OneStop;
  const bool configured = port_.setBaudRate(settings.baud) &&
                          port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.data_bits)) &&
                          port_.setParity(parity) && port_.setStopBits(stop) &&
                          port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!configured) {
    failure = {errc::kInvalidSettings, port_.errorString().toStdString()};
    port_.close();
    return false;
  }
  return true;
}

void QtSerialPort::close() {
  if (port_.isOpen()) port_.close();
}

bool QtSerialPort::isOpen() const { return port_.isOpen(); }

std::size_t QtSerialPort::waiting() {
  if (!port_.isOpen()) return 0;
  // The link is read by polling, not by notifications: let the port pick up
  // whatever the system has received since the last look.
  port_.waitForReadyRead(0);
  return static_cast<std::size_t>(port_.bytesAvailable());
}

std::string QtSerialPort::readAll() {
  const QByteArray bytes = port_.readAll();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool QtSerialPort::write(std::string_view bytes, Failure& failure) {
  const qint64 n = port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (n != static_cast<qint64>(bytes.size())) {
    failure = {errc::kWriteFailed, port_.errorString().toStdString()};
    return false;
  }
  // Hand the bytes to the system now; nothing in the program waits on the event loop for it.
  port_.waitForBytesWritten(0);
  return true;
}

}  // namespace scandeck
