#include "app/core/setup.h"

#include "common/core/text.h"

namespace scandeck {

SetupChoice SetupChoiceFor(const std::string& user_name, int port_number, const std::string& settings) {
  SetupChoice choice;
  choice.user_name = TrimBlanksCopy(user_name);
  if (port_number >= 1 && port_number <= kSetupPorts) choice.port = port_number;
  for (std::size_t i = 0; i < kSetupSpeeds.size(); ++i)
    if (settings == kSetupSpeeds[i]) choice.speed = static_cast<int>(i) + 1;
  return choice;
}

ScanDeckConfig ConfigForSetup(const SetupChoice& choice, const ScanDeckConfig& current) {
  ScanDeckConfig config = current;
  config.UserName = TrimBlanksCopy(choice.user_name);
  config.CommPort = choice.port ? std::to_string(*choice.port) : std::string();
  config.CommSettings = choice.speed && *choice.speed >= 1 && *choice.speed <= static_cast<int>(kSetupSpeeds.size())
                            ? std::string(kSetupSpeeds[static_cast<std::size_t>(*choice.speed - 1)])
                            : std::string();
  return config;
}

std::string PortOpensText(int port_number, const PortTarget& target) {
  if (target.unreadable)
    return "Com " + std::to_string(port_number) + " opens nothing: " + target.unreadable.description;
  std::string text = "Com " + std::to_string(port_number) + " opens " + target.device;
  if (target.via_link) text += " through " + ComLinkName(port_number);
  return text + (target.exists ? ", present" : ", not present");
}

SetupPorts SetupPortsFor(const std::string& folder, std::vector<SerialDevice> found, const Failure& open_failure) {
  SetupPorts ports;
  for (int n = 1; n <= kSetupPorts; ++n)
    ports.opens[static_cast<std::size_t>(n - 1)] = PortOpensText(n, TargetOfPort(n, folder));
  ports.offered = OfferedDevices(std::move(found));
  ports.permission_hint = open_failure.code == errc::kPermissionDenied;
  // The port's adapter wrote the diagnosis (port_holders.h) when it saw the device taken.
  if (open_failure.code == errc::kDeviceBusy) ports.holder_hint = open_failure.description;
  return ports;
}

Failure LinkChosenDevice(const SetupChoice& choice, const std::string& folder) {
  if (!choice.device || !choice.port) return {};
  return LinkPort(*choice.port, *choice.device, folder);
}

std::string LinkFailedText(const SetupChoice& choice, const Failure& failure) {
  return ComLinkName(choice.port.value_or(0)) + " was not linked to " + choice.device.value_or("") + ": " +
         failure.description;
}

}  // namespace scandeck
