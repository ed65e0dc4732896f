#pragma once
// The program's main window on a port in memory, in a fresh folder: what most
// window tests start from. Nothing is loaded until a test asks.
#include <QAction>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/qt/click_label.h"
#include "support/fake_desktop.h"
#include "support/fake_port.h"
#include "support/temp_dir.h"
#include "ui/qt/main_window.h"

namespace scandeck::testing {

using Sent = std::vector<std::string>;

struct App {
  TempDir folder;
  FakePort port;
  FakeDesktop desktop;
  std::unique_ptr<MainCore> core;
  std::unique_ptr<MainWindow> window;

  explicit App(const std::string& ini = {}) {
    if (!ini.empty()) folder.write("scandeck.ini", ini);
    core = std::make_unique<MainCore>(port, desktop, folder.path.string(), '.');
    window = std::make_unique<MainWindow>(*core);
  }
  // Start-up as the program runs it, with the tests driving the ticks themselves.
  App& load() {
    window->Form_Load();
    window->mainTimer().stop();
    port.written.clear();
    return *this;
  }
  // Only the link opened and the poll on, without reading any file.
  App& openPort() {
    Failure f;
    core->port().open(f);
    core->poll().setEnabled(true);
    return *this;
  }
  template <typename T = QWidget>
  T* find(const char* name) {
    T* widget = window->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QAction* action(const char* name) { return find<QAction>(name); }
  // The commands written since the last call.
  Sent sent() {
    auto out = port.commands();
    port.written.clear();
    return out;
  }
  // One poll tick with `replies` on the line.
  void tick(const std::string& replies) {
    port.incoming += replies;
    window->MainTimer_Timer();
  }
  void click(const char* name) {
    QWidget* w = find(name);
    ASSERT_NE(w, nullptr) << name;
    if (auto* button = qobject_cast<QPushButton*>(w)) return button->click();
    if (auto* label = qobject_cast<ClickLabel*>(w)) return emit label->clicked();
    FAIL() << name << " is not clickable";
  }
  std::string ini() const { return Slurp(folder.file("scandeck.ini")); }
};

}  // namespace scandeck::testing
