#pragma once
// The serial port as the link needs it. The program's adapter wraps QSerialPort;
// tests use a fake; the simulator plugs in behind the same interface.
#include <cstddef>
#include <string>
#include <string_view>

#include "common/core/failure.h"
#include "link/core/serial_settings.h"

namespace scandeck {

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  virtual bool open(int port_number, const SerialSettings& settings, Failure& failure) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Characters received and not yet read.
  virtual std::size_t waiting() = 0;
  // All waiting characters; empties the receive queue.
  virtual std::string readAll() = 0;
  virtual bool write(std::string_view bytes, Failure& failure) = 0;
};

}  // namespace scandeck
