#pragma once
// Control kinds every window of the program shares.
#include <QFont>
#include <QString>

class QWidget;

namespace scandeck {

class ClickLabel;

// The captions' font: Comic Sans MS, or the free look-alike the system has.
QFont CaptionFont(double points, bool bold = false);
// A framed label used as a command button in the secondary windows ("OK", "Print").
ClickLabel* CommandLabel(const QString& caption, const char* name, const QString& accessible, QWidget* parent);

}  // namespace scandeck
