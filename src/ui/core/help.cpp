#include "ui/core/help.h"

#include "common/core/contact.h"

namespace scandeck {

namespace {
constexpr const char* kCrLf = "\r\n";

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (auto line : lines) {
    out += line;
    out += kCrLf;
  }
  return out;
}

std::string Mail(const char* address) { return std::string("mailto:") + address; }
}  // namespace

std::string HelpTypeText() {
  std::string out = Lines({"The 'Type System' will be think to class ", "you frequency by kind of agency.", "", ""});
  for (const TypeCode& t : kTypeCodes) {
    out += '\t';
    out += t.code;
    out += " = ";
    out += t.meaning;
    out += kCrLf;
  }
  return out;
}

std::string HelpCenterTuningText() {
  return Lines({
      "This Function will give you a way to know ",
      "if you are on frequency.",
      "",
      "How its used:",
      "",
      "It's easy! In the 'Options' Menu, enable the ",
      "'Center Tuning' Option. After that, in the ",
      "window, you can see the little red pointer ",
      "moving around the central bar. That is the ",
      "center frequency. If the pointer is around it, ",
      "you have the right frequency. If not you're off frequency.",
      "",
      "You can see how it works by going in ",
      "'Search Mode' with your scanner. Find an ",
      "active frequency. After manually tuning ",
      "around the frequency with the UP/DOWN ",
      "arrow key, you will see the red pointer ",
      "move to indicate that you are above or ",
      "below the signal you are trying to listen to.",
      "",
      "Happy experimenting!",
  });
}

std::string AboutText() {
  using namespace contact;
  return Lines({
      "Hello, and thank you for using ScanDeck!",
      "",
      std::string("Found a bug, or missing an option? Tell us by e-mail at ") + kAuthorMailAddress +
          " and we will look into it.",
      "",
      "ScanDeck is free software: you may use, copy and share it at no cost.",
      "",
      std::string("Thanks to everyone who tested it, and to ") + kCreditedPersonName +
          " for the scanner's remote commands.",
      "",
      "BC245XLT, TrunkTracker and Uniden are trademarks of Uniden Corporation. ScanDeck is not "
      "associated with, endorsed by or supported by Uniden in any way.",
      "",
      "By using ScanDeck you agree that you use it at your own risk and that you will not pursue "
      "its authors for any damage or loss that its use may cause.",
  });
}

std::array<HelpLink, 6> HelpMenuLinks() {
  using namespace contact;
  return {{
      {"URLAuthorWebPage", kWebAddress},
      {"URLmailingListPost", Mail(kMailingListPostAddress)},
      {"URLmailingListGeneralInformations", kMailingListAddress},
      {"URLmailingListSubscribe", Mail(kMailingListSubscribeAddress)},
      {"URLmailingListUnsubscribe", Mail(kMailingListUnsubscribeAddress)},
      {"MailAuthor", Mail(kAuthorMailAddress)},
  }};
}

std::array<HelpLink, 3> AboutLinks() {
  using namespace contact;
  return {{
      {"Label2", kCreditedPersonPage},
      {"Label3", Mail(kAuthorMailAddress)},
      {"Label4", kCommandCodesPage},
  }};
}

}  // namespace scandeck
