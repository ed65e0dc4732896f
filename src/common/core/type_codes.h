#pragma once
// The type codes that class channels and talkgroups.
#include <array>
#include <string_view>

namespace scandeck {

struct TypeCode {
  std::string_view code;
  std::string_view meaning;
};
// In the order the help text and the directory windows' type lists show them.
inline constexpr std::array<TypeCode, 17> kTypeCodes = {{
    {"AIR", "Aviation"},          {"AMB", "Ambulance"},       {"COM", "Commercial"},
    {"CTG", "Shipping"},          {"FDP", "Fire Departement"}, {"EMG", "Emergency Svc"},
    {"GOV", "Governement"},       {"MED", "Media"},           {"MRN", "Marine"},
    {"MSC", "Miscellaneous"},     {"MUN", "Municipality"},    {"POL", "Police Department"},
    {"PTP", "Public Transport"},  {"TRK", "Trunking System"}, {"RWY", "RailRoad"},
    {"SEC", "Security agency"},   {"UTY", "Gaz, Electricity"},
}};

}  // namespace scandeck
