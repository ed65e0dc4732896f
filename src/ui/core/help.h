#pragma once
// The texts of the two help windows, the about window's texts and every link of the help menu.
#include <array>
#include <string>
#include <string_view>

#include "common/core/type_codes.h"

namespace scandeck {

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
