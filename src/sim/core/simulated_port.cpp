#include "sim/core/simulated_port.h"

namespace scandeck::sim {

bool SimulatedPort::open(int port_number, const SerialSettings& settings, Failure& failure) {
  if (open_) {
    failure = {errc::kPortAlreadyOpen, "Port already open"};
    return false;
  }
  if (port_number != port_number_) {
    failure = {errc::kInvalidPortNumber, "Invalid port number"};
    return false;
  }
  simulator_.attach(settings);
  open_ = true;
  return true;
}

void SimulatedPort::close() {
  if (!open_) return;
  simulator_.detach();
  open_ = false;
}

std::size_t SimulatedPort::waiting() { return open_ ? simulator_.available() : 0; }

std::string SimulatedPort::readAll() { return open_ ? simulator_.take() : std::string(); }

bool SimulatedPort::write(std::string_view bytes, Failure& failure) {
  if (!open_) {
    failure = {errc::kPortNotOpen, "Operation valid only when the port is open"};
    return false;
  }
  written_ += bytes;
  simulator_.receive(bytes);
  return true;
}

}  // namespace scandeck::sim
