#pragma once
// The main window's kinds of control, and how each tells a screen reader what it
// is and what it shows: a display element's accessible name is what it is followed
// by its value ("Channel name: Fire Dispatch"); an indicator's name holds its
// caption and its state ("DATA, data skip on"). Names are renewed with every change,
// and Qt announces each new name.
#include <QFont>
#include <QPixmap>
#include <QString>
#include <string>

#include "common/qt/controls.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace scandeck {

class ClickLabel;

namespace main_ui {

// The main window's client area: the control panel above 4770 twips, the data panel below.
inline constexpr double kPanelWidth = 7200;
inline constexpr double kPanelHeight = 4770;
inline constexpr double kDataPanelBottom = 7455;

QLabel* Caption(const QString& text, QWidget* parent, double l, double t, double w, double h);
// A label showing one field; `what` names the field.
QLabel* Display(const char* name, const QString& what, QWidget* parent, double l, double t, double w, double h,
                double points = 8, bool bold = false);
// A lit-or-not caption that is also clicked; `what` names its setting, `on`/`off`
// its two states ("on"/"off", "selected"/"not selected").
ClickLabel* Toggle(const QString& caption, const QString& name, const QString& what, QWidget* parent, double l,
                   double t, double w, double h, const QString& on = "on", const QString& off = "off");
ClickLabel* Picture(const QPixmap& pixmap, const QString& name, const QString& accessible, QWidget* parent, double l,
                    double t, double w, double h);
// A frame whose values change on every tick keeps a picture of itself (`follows_poll`),
// so that a new value does not redraw the frame beneath it; a quiet one saves the memory.
QGroupBox* Frame(const QString& caption, const char* name, QWidget* parent, double l, double t, double w, double h,
                 bool follows_poll = false);
QLineEdit* Box(const char* name, const QString& accessible, QWidget* parent, double l, double t, double w, double h);

// Qt gives every label that takes the focus a text document when it is first shown
// (about 18 KB each, for links); plain labels, once shown, draw their text without it.
void DropTextDocuments(QWidget* root);

// A display element takes a new value.
void ShowValue(QLabel* label, const std::string& value);
// A toggle lights up (red) or goes dark (black).
void ShowLit(ClickLabel* toggle, bool lit);
// A picture that is there only while its indicator is on. It stays in place with
// no picture while off, so a screen reader can still read "Squelch closed".
void ShowPicture(QLabel* label, bool on, const QPixmap& picture, const QString& on_name, const QString& off_name);

// A menu entry's check mark follows a setting. Qt does not announce a changed
// check mark of a menu entry, so this does.
void ShowMenuCheck(QAction* action, bool checked);

}  // namespace main_ui
}  // namespace scandeck
