#include "link/core/serial_devices.h"

#include <algorithm>
#include <cctype>
#include <tuple>

namespace scandeck {

namespace {
bool IsUsb(const std::string& path) {
  return path.find("/ttyUSB") != std::string::npos || path.find("/ttyACM") != std::string::npos;
}

// The name split into its text and trailing number, so ttyS10 sorts after ttyS2.
std::tuple<bool, std::string, unsigned long, std::string> SortKey(const std::string& path) {
  std::size_t digits = path.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(path[digits - 1]))) --digits;
  const std::string number = path.substr(digits, 9);
  return {!IsUsb(path), path.substr(0, digits), number.empty() ? 0 : std::stoul(number), path};
}
}  // namespace

std::vector<SerialDevice> OfferedDevices(std::vector<SerialDevice> found) {
  std::erase_if(found, [](const SerialDevice& d) { return d.path.empty(); });
  std::stable_sort(found.begin(), found.end(),
                   [](const SerialDevice& a, const SerialDevice& b) { return SortKey(a.path) < SortKey(b.path); });
  found.erase(std::unique(found.begin(), found.end(),
                          [](const SerialDevice& a, const SerialDevice& b) { return a.path == b.path; }),
              found.end());
  return found;
}

std::string DeviceCaption(const SerialDevice& device) {
  std::string about = device.maker;
  if (!device.product.empty() && device.product != device.maker) about += (about.empty() ? "" : ", ") + device.product;
  return about.empty() ? device.path : device.path + " (" + about + ")";
}

}  // namespace scandeck
