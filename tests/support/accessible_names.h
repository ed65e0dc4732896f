#pragma once
// What a screen reader and voice control need of every control in a window: an
// accessible name that contains the caption on screen (a button's text, a
// clickable label's text, an option's text, the buddy caption of a text box), and
// for a display element the value it shows. Returns one line per control that
// falls short, and counts the controls seen.
#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "common/qt/click_label.h"

namespace scandeck::testing {

inline std::vector<std::string> NamesMissingTheirCaption(QWidget* root, int& controls) {
  std::map<QWidget*, QString> buddy_caption;
  for (QLabel* label : root->findChildren<QLabel*>())
    if (label->buddy()) buddy_caption[label->buddy()] = label->text();
  std::vector<std::string> missing;
  controls = 0;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (w->objectName().startsWith("qt_")) continue;  // Qt's own helpers
    QString caption;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) caption = button->text();
    else if (auto* label = qobject_cast<QLabel*>(w); label && (qobject_cast<ClickLabel*>(w) || label->property("what").isValid()))
      caption = label->text();  // a clickable label's caption, or the value a display shows
    else if (buddy_caption.count(w)) caption = buddy_caption[w];
    else if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QListWidget*>(w) && !qobject_cast<QPlainTextEdit*>(w))
      continue;
    ++controls;
    caption.remove('&');
    caption = caption.trimmed();
    if (caption.endsWith(':')) caption.chop(1);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    QString name = a ? a->text(QAccessible::Name) : QString();
    // On Linux Qt names a list box by its value and links its caption as its label,
    // which is what a screen reader speaks first.
    if (a && qobject_cast<QComboBox*>(w))
      for (const auto& [label, relation] : a->relations(QAccessible::Label)) name += " " + label->text(QAccessible::Name);
    if (name.trimmed().isEmpty() || !name.contains(caption.trimmed()))
      missing.push_back(w->objectName().toStdString() + ": \"" + name.toStdString() + "\" lacks \"" +
                        caption.toStdString() + "\"");
  }
  return missing;
}

}  // namespace scandeck::testing
