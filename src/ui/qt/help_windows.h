#pragma once
// The two help windows: a fixed text and an "OK" label that closes them. Not
// modal, so they can stay open beside the main window.
#include <QWidget>

class QPlainTextEdit;

namespace scandeck {

class ClickLabel;

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  HelpWindow(const char* name, const QString& caption, const std::string& text, QWidget* parent);
  void OkCmd_Click() { close(); }

 protected:
  QPlainTextEdit* Text1;
  ClickLabel* OkCmd;
};

class HelpType final : public HelpWindow {
  Q_OBJECT
 public:
  explicit HelpType(QWidget* parent = nullptr);
};

class HelpCenterTuning final : public HelpWindow {
  Q_OBJECT
 public:
  explicit HelpCenterTuning(QWidget* parent = nullptr);
};

}  // namespace scandeck
