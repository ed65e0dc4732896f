#pragma once
// The program's serial link: the port number and settings text it was given,
// and the port behind them.
#include <string>

#include "link/core/serial_port.h"

namespace scandeck {

class PagCom {
 public:
  explicit PagCom(SerialPort& port) : port_(port) {}

  int portNumber() const { return port_number_; }
  // Refuses 0, negatives and numbers beyond a 16-bit port number; the old value stays.
  bool setPortNumber(long long number);
  const std::string& settings() const { return settings_text_; }
  // Refuses a text the link cannot use; the old value stays.
  bool setSettings(const std::string& text);

  bool open(Failure& failure);
  void close() { port_.close(); }
  bool isOpen() const { return port_.isOpen(); }
  std::size_t waiting() { return port_.isOpen() ? port_.waiting() : 0; }
  std::string readAll() { return port_.isOpen() ? port_.readAll() : std::string(); }
  bool write(std::string_view bytes, Failure& failure);

 private:
  SerialPort& port_;
  int port_number_ = kDefaultPortNumber;
  std::string settings_text_ = kDefaultSerialSettings;
};

}  // namespace scandeck
