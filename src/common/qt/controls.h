#pragma once
// Control kinds every window of the program shares.
#include <QFont>
#include <QLineEdit>
#include <QString>
#include <functional>

class QWidget;

namespace scandeck {

class ClickLabel;

// The captions' font: Comic Sans MS, or the free look-alike the system has.
QFont CaptionFont(double points, bool bold = false);
// A framed label used as a command button in the secondary windows ("OK", "Print").
ClickLabel* CommandLabel(const QString& caption, const char* name, const QString& accessible, QWidget* parent);

// A text box a screen reader speaks on its first visit by Tab. Tab into a text box
// selects its text, and Qt reports that selection (and the caret) before it
// reports the focus: Orca takes the box as focused on the caret event, silently,
// and skips the focus that follows. This box selects once the focus is reported.
class SpokenBox : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void focusInEvent(QFocusEvent* event) override;
};

// Escape closes a window that is not a dialog as it closes the dialogs, through
// `close` (what the window's Close or Cancel does). A control that uses Escape
// itself (an open list, a box that undoes) keeps it.
void EscapeCloses(QWidget* window, std::function<void()> close);

}  // namespace scandeck
