#pragma once
// What the start-up, shut-down and setup steps need from the desktop. The program
// implements it with message boxes and windows; tests record the calls.
#include <string>

#include "common/core/reporter.h"

namespace scandeck {

class Desktop : public Reporter {
 public:
  // An OK-only message that waits for the user, for steps that must not go on
  // before it is read (start-up, setup). Reports from timers use report().
  virtual void message(const std::string& text) = 0;
  // Yes/No question; true for Yes.
  virtual bool askYesNo(const std::string& title, const std::string& text) = 0;
  // Shows the setup window modally; returns when it closes (cancelled) or never
  // (confirmed: the process ends).
  virtual void runSetup() = 0;
  // Ends the process at once, without the shut-down sequence.
  virtual void endProcess() = 0;
  // Hands a web address or a "mailto:" address to the desktop; a link it cannot
  // open is dropped without a word.
  virtual void openLink(const std::string& address) = 0;
  // A modal message with an exclamation icon, an OK button and its own title.
  virtual void warn(const std::string& title, const std::string& text) = 0;
};

}  // namespace scandeck
