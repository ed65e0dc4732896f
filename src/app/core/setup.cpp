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

}  // namespace scandeck
