#pragma once
#include <string>

namespace scandeck {

// Where the core's messages go: a message box in the program, a list in tests.
class Reporter {
 public:
  virtual ~Reporter() = default;
  // An OK-only message with the program's default title.
  virtual void report(const std::string& text) = 0;
};

}  // namespace scandeck
