#include "common/qt/click_label.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace scandeck {

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setAlignment(Qt::AlignCenter);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(event);
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit doubleClicked();
  QLabel::mouseDoubleClickEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

// A visible focus mark, since a label draws none of its own.
void ClickLabel::focusInEvent(QFocusEvent* event) {
  setProperty("focused", true);
  setStyleSheet(styleSheet());
  QLabel::focusInEvent(event);
}

void ClickLabel::focusOutEvent(QFocusEvent* event) {
  setProperty("focused", false);
  setStyleSheet(styleSheet());
  QLabel::focusOutEvent(event);
}

}  // namespace scandeck
