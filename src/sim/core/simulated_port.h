#pragma once
// The simulator as the program's serial port, in the same process: no device, no
// threads; every call lets the simulator catch up with its clock first.
#include "link/core/serial_port.h"
#include "sim/core/simulator.h"

namespace scandeck::sim {

class SimulatedPort final : public SerialPort {
 public:
  // `port_number` is the one port the scanner hangs on; opening any other fails
  // as a missing port does.
  explicit SimulatedPort(Simulator& simulator, int port_number = 1)
      : simulator_(simulator), port_number_(port_number) {}

  bool open(int port_number, const SerialSettings& settings, Failure& failure) override;
  void close() override;
  bool isOpen() const override { return open_; }
  std::size_t waiting() override;
  std::string readAll() override;
  bool write(std::string_view bytes, Failure& failure) override;

  // Everything the program wrote, for tests that check what was sent.
  const std::string& written() const { return written_; }

 private:
  Simulator& simulator_;
  int port_number_;
  bool open_ = false;
  std::string written_;
};

}  // namespace scandeck::sim
