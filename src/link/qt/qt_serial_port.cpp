#include "link/qt/qt_serial_port.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSocketNotifier>
#include <filesystem>
#include <optional>

#include "link/core/com_links.h"
#include "link/core/port_holders.h"

namespace scandeck {

QString PortDeviceName(int port_number, const QString& folder) {
  return QFile::decodeName(TargetOfPort(port_number, QFile::encodeName(folder).toStdString()).open_path.c_str());
}

QtSerialPort::QtSerialPort(QString folder) : folder_(std::move(folder)) {
  // Unplugging a USB adaptor leaves QSerialPort "open" but dead; close it so the
  // link reports the change once and the port is tried again. A hang-up can also
  // read as end of file, which Qt then reports as a read error rather than a
  // resource error, depending on a stale errno: both count.
  QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError error) {
    if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError) && port_.isOpen()) port_.close();
  });
}

namespace {
// "0403:6001" for a USB adapter the system lists, else empty.
std::string UsbIdOf(const std::string& kernel_path) {
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    if (QFile::encodeName(info.systemLocation()).toStdString() == kernel_path && info.hasVendorIdentifier() &&
        info.hasProductIdentifier())
      return QString::asprintf("%04x:%04x", info.vendorIdentifier(), info.productIdentifier()).toStdString();
  return {};
}

// A device held by another program or service: the core names the holder and the fix.
std::optional<Failure> TakenFailure(const QSerialPort& port, const PortTarget& target) {
  // Qt reports EBUSY (and a lock held elsewhere) as a permission error: one we may
  // read and write is busy. A device that was there a moment ago and is not found
  // now was taken away, as the braille service does with the adapters it claims.
  const QFileInfo info(QFile::decodeName(target.open_path.c_str()));
  const bool busy = port.error() == QSerialPort::PermissionError && info.isReadable() && info.isWritable();
  const bool vanished = port.error() == QSerialPort::DeviceNotFoundError && target.exists;
  if (!busy && !vanished) return std::nullopt;
  std::error_code ec;
  std::string device = std::filesystem::canonical(target.open_path, ec).string();
  if (ec) device = target.device;
  return Failure{errc::kDeviceBusy, TakenAdvice(busy ? PortTrouble::kBusy : PortTrouble::kVanished, device,
                                                ScanProcesses("/proc", device), UsbIdOf(device))};
}

Failure OpenFailure(const QSerialPort& port, const PortTarget& target) {
  if (std::optional<Failure> taken = TakenFailure(port, target)) return *taken;
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
  const PortTarget target = TargetOfPort(port_number, QFile::encodeName(folder_).toStdString());
  if (target.unreadable) {
    failure = target.unreadable;
    return false;
  }
  port_.setPortName(QFile::decodeName(target.open_path.c_str()));
  if (!port_.open(QIODevice::ReadWrite)) {
    failure = OpenFailure(port_, target);
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
  quiet();
  return true;
}

void QtSerialPort::quiet() {
  // The link reads by polling on each tick. Left on, QSerialPort's read notifier wakes
  // the event loop for every byte of a slow line (about a thousand times a second at
  // 9600 baud) only to buffer it early, and each read through the port re-arms it.
  // Its write notifier, once the bytes are handed over, would wake it once more for
  // nothing; with bytes still waiting it stays on and sends them.
  if (!read_notifier_ || !write_notifier_)
    for (QSocketNotifier* notifier : port_.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly)) {
      if (notifier->type() == QSocketNotifier::Read) read_notifier_ = notifier;
      if (notifier->type() == QSocketNotifier::Write) write_notifier_ = notifier;
    }
  if (read_notifier_ && read_notifier_->isEnabled()) read_notifier_->setEnabled(false);
  if (write_notifier_ && write_notifier_->isEnabled() && port_.bytesToWrite() == 0) write_notifier_->setEnabled(false);
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
  quiet();
  return static_cast<std::size_t>(port_.bytesAvailable());
}

std::string QtSerialPort::readAll() {
  const QByteArray bytes = port_.readAll();
  quiet();
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
  quiet();
  return true;
}

}  // namespace scandeck
