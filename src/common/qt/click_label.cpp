#include "common/qt/click_label.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>

namespace scandeck {

namespace {
// Screen readers announce a clickable label as a button that can be pressed, with
// its caption (or the value it shows) as the value.
class AccessibleClickLabel : public QAccessibleWidget {
 public:
  explicit AccessibleClickLabel(ClickLabel* label) : QAccessibleWidget(label, QAccessible::Button) {}

  QString text(QAccessible::Text t) const override {
    auto* label = static_cast<ClickLabel*>(widget());
    if (t == QAccessible::Name && !label->accessibleName().isEmpty()) return label->accessibleName();
    if (t == QAccessible::Name || t == QAccessible::Value) return label->text();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    auto* label = static_cast<ClickLabel*>(widget());
    s.checkable = label->isCheckable();
    s.checked = label->isChecked();
    return s;
  }
  QStringList actionNames() const override { return {pressAction()}; }
  // Only what the mouse can reach; and after the call returns, since a click may
  // open a modal window and the caller waits for the call to end.
  void doAction(const QString& name) override {
    auto* label = static_cast<ClickLabel*>(widget());
    if (name != pressAction() || !label->isEnabled() || !label->isVisible()) return;
    QMetaObject::invokeMethod(label, &ClickLabel::clicked, Qt::QueuedConnection);
  }
};

QAccessibleInterface* ClickLabelAccessible(const QString&, QObject* object) {
  if (auto* label = qobject_cast<ClickLabel*>(object)) return new AccessibleClickLabel(label);
  return nullptr;
}
}  // namespace

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  static const bool installed = (QAccessible::installFactory(ClickLabelAccessible), true);
  (void)installed;
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setAlignment(Qt::AlignCenter);
}

void ClickLabel::setChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(event);
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
