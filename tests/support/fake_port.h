#pragma once
// A serial port in memory: what the program wrote, and what the "scanner" sends.
#include <functional>
#include <string>
#include <vector>

#include "common/core/reporter.h"
#include "link/core/serial_port.h"

namespace scandeck::testing {

// The lines of a byte stream, each without its carriage return; an unfinished tail is left out.
inline std::vector<std::string> CarriageReturnLines(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (auto cr = bytes.find('\r'); cr != std::string::npos; cr = bytes.find('\r', start)) {
    out.push_back(bytes.substr(start, cr - start));
    start = cr + 1;
  }
  return out;
}

class FakePort : public SerialPort {
 public:
  bool open(int port_number, const SerialSettings& settings, Failure& failure) override {
    opened_port = port_number;
    opened_settings = settings;
    ++open_calls;
    if (fail_open) {
      failure = open_refusal;
      return false;
    }
    is_open = true;
    return true;
  }
  void close() override { is_open = false; }
  bool isOpen() const override { return is_open; }
  std::size_t waiting() override { return incoming.size(); }
  std::string readAll() override {
    std::string out;
    out.swap(incoming);
    return out;
  }
  bool write(std::string_view bytes, Failure& failure) override {
    if (fail_writes) {
      failure = {errc::kWriteFailed, "Write failed"};
      return false;
    }
    written += bytes;
    if (on_write) on_write();
    return true;
  }

  // The commands written, each without its carriage return.
  std::vector<std::string> commands() const { return CarriageReturnLines(written); }

  std::function<void()> on_write;
  bool is_open = false;
  bool fail_open = false;
  Failure open_refusal{errc::kInvalidPortNumber, "Invalid port number"};
  bool fail_writes = false;
  int open_calls = 0;
  int opened_port = 0;
  SerialSettings opened_settings;
  std::string incoming;
  std::string written;
};

class ListReporter : public Reporter {
 public:
  void report(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

}  // namespace scandeck::testing
