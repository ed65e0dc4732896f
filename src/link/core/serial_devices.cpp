#include "link/core/serial_devices.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
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

const std::string& LinkTarget(const SerialDevice& device) {
  return device.stable.empty() ? device.path : device.stable;
}

std::string DeviceCaption(const SerialDevice& device, std::string_view before_details) {
  std::string about;
  const bool product_is_new = device.product != device.maker;
  for (const std::string* part : {device.stable.empty() ? nullptr : &device.path, &device.maker,
                                  product_is_new ? &device.product : nullptr})
    if (part && !part->empty()) about += (about.empty() ? "" : ", ") + *part;
  if (about.empty()) return LinkTarget(device);
  return LinkTarget(device) + std::string(before_details) + "(" + about + ")";
}

std::vector<SerialDevice> WithStableNames(std::vector<SerialDevice> found, std::vector<StableName> names) {
  std::sort(names.begin(), names.end());
  for (SerialDevice& device : found) {
    const auto named = std::find_if(names.begin(), names.end(),
                                    [&](const StableName& name) { return name.second == device.path; });
    if (named != names.end()) device.stable = named->first;
  }
  return found;
}

std::vector<StableName> ReadStableNames(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<StableName> names;
  std::error_code ec;
  // Adapters come and go while we look: every step may fail, and a failed one skips the entry.
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code entry_ec;
    const fs::path target = fs::canonical(it->path(), entry_ec);
    if (!entry_ec) names.emplace_back(it->path().string(), target.string());
  }
  return names;
}

}  // namespace scandeck
