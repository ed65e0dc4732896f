#pragma once
// Message boxes and the setup window for the core's start-up and shut-down steps.
#include <QPointer>
#include <QWidget>
#include <functional>

#include "common/core/desktop.h"
#include "common/core/report_queue.h"

class QMessageBox;

namespace scandeck {

class QtDesktop : public Desktop {
 public:
  explicit QtDesktop(QWidget* owner = nullptr) : owner_(owner) {}
  void setOwner(QWidget* owner) { owner_ = owner; }
  void setSetupRunner(std::function<void()> runner) { setup_runner_ = std::move(runner); }

  // Non-blocking, so a report raised inside a timer tick never runs a nested
  // event loop there. One report box at a time: reports raised while it is open
  // are counted into it, never stacked on it.
  void report(const std::string& text) override;
  void message(const std::string& text) override;
  bool askYesNo(const std::string& title, const std::string& text) override;
  void runSetup() override;
  void endProcess() override;
  void openLink(const std::string& address) override;
  void warn(const std::string& title, const std::string& text) override;

  int openReports() const;
  // True once endProcess was called: start-up must not go on to show the window.
  bool ending() const { return ending_; }

 private:
  QPointer<QWidget> owner_;
  std::function<void()> setup_runner_;
  QPointer<QMessageBox> open_;
  ReportQueue queue_;
  bool ending_ = false;
};

}  // namespace scandeck
