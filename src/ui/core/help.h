#pragma once
// The type codes that class channels and talkgroups, the texts of the two help
// windows, the about window's texts and every link of the help menu.
#include <array>
#include <string>
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

// "Help on 'Type'": every line, the last too, ends with CR LF.
std::string HelpTypeText();
// "Help On Center Tuning".
std::string HelpCenterTuningText();
// The about window's main text.
std::string AboutText();

// A help-menu or about-window link: a web page, or a mail address opened as "mailto:".
struct HelpLink {
  std::string_view name;  // the control
  std::string address;
};
// The entries of the "  &Help  " menu that open a link, and the about window's labels.
std::array<HelpLink, 6> HelpMenuLinks();
std::array<HelpLink, 3> AboutLinks();

}  // namespace scandeck
