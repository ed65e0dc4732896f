#pragma once
// A desktop that records what the program asked of it, in order.
#include <functional>
#include <string>
#include <vector>

#include "common/core/desktop.h"

namespace scandeck::testing {

class FakeDesktop : public Desktop {
 public:
  void report(const std::string& text) override { events.push_back("report: " + text); }
  void message(const std::string& text) override { events.push_back("message: " + text); }
  bool askYesNo(const std::string& title, const std::string& text) override {
    events.push_back("ask " + title + ": " + text);
    return answer_yes;
  }
  void runSetup() override {
    events.push_back("setup");
    if (on_setup) on_setup();
  }
  void endProcess() override { events.push_back("end"); }
  void openLink(const std::string& address) override { events.push_back("link: " + address); }

  void warn(const std::string& title, const std::string& text) override { events.push_back("warn " + title + ": " + text); }
  bool answer_yes = true;
  std::function<void()> on_setup;
  std::vector<std::string> events;
};

}  // namespace scandeck::testing
