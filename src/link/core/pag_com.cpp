#include "link/core/pag_com.h"

namespace scandeck {

bool PagCom::setPortNumber(long long number) {
  if (number <= 0 || number > 32767) return false;
  port_number_ = static_cast<int>(number);
  return true;
}

bool PagCom::setSettings(const std::string& text) {
  if (!SerialSettings::Parse(text)) return false;
  settings_text_ = text;
  return true;
}

bool PagCom::open(Failure& failure) {
  if (port_.isOpen()) {
    failure = {errc::kPortAlreadyOpen, "Port already open"};
    return false;
  }
  const auto settings = SerialSettings::Parse(settings_text_);
  if (!settings) {
    failure = {errc::kInvalidSettings, "Invalid settings"};
    return false;
  }
  return port_.open(port_number_, *settings, failure);
}

bool PagCom::write(std::string_view bytes, Failure& failure) {
  if (!port_.isOpen()) {
    failure = {errc::kPortNotOpen, "Operation valid only when the port is open"};
    return false;
  }
  return port_.write(bytes, failure);
}

}  // namespace scandeck
