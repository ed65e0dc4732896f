#include "link/core/protocol.h"

#include "common/core/text.h"

namespace scandeck::protocol {

std::string_view Take(std::string_view reply, Field f) {
  return f.count == kToEnd ? MidRest(reply, f.first) : Mid(reply, f.first, f.count);
}

const ModeEntry* FindMode(std::string_view digits) {
  for (const auto& mode : kModes)
    if (mode.digits == digits) return &mode;
  return nullptr;
}

}  // namespace scandeck::protocol
