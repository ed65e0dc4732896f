#include "common/qt/controls.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QKeyEvent>

#include "common/qt/click_label.h"

namespace scandeck {

namespace {

QString CaptionFamily() {
  const QStringList families = QFontDatabase::families();
  for (const char* family : {"Comic Sans MS", "Comic Neue", "Comic Relief"})
    if (families.contains(family, Qt::CaseInsensitive)) return family;
  return QApplication::font().family();
}

// Key events that no control took travel up to the window, as they do to a
// dialog's own Escape handling.
class EscapeFilter : public QObject {
 public:
  EscapeFilter(QWidget* window, std::function<void()> close) : QObject(window), window_(window), close_(std::move(close)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) return false;
    close_();
    return true;
  }

 private:
  QWidget* window_;
  std::function<void()> close_;
};

}  // namespace

QFont CaptionFont(double points, bool bold) {
  QFont font(CaptionFamily());
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

ClickLabel* CommandLabel(const QString& caption, const char* name, const QString& accessible, QWidget* parent) {
  auto* label = new ClickLabel(caption, parent);
  label->setObjectName(name);
  label->setAccessibleName(accessible);
  label->setFont(CaptionFont(9, true));
  label->setMinimumSize(90, 26);
  label->setStyleSheet(
      "QLabel { border: 1px solid #909090; border-radius: 3px; background: #f4f4f4; padding: 2px 10px; }"
      "QLabel[focused=\"true\"] { border: 2px solid #3070d0; }");
  return label;
}

void SpokenBox::focusInEvent(QFocusEvent* event) {
  const Qt::FocusReason reason = event->reason();
  if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason && reason != Qt::ShortcutFocusReason)
    return QLineEdit::focusInEvent(event);
  QFocusEvent quiet(QEvent::FocusIn, Qt::OtherFocusReason);
  QLineEdit::focusInEvent(&quiet);
  QMetaObject::invokeMethod(this, [this] {
    if (hasFocus() && !hasSelectedText()) selectAll();
  }, Qt::QueuedConnection);
}

void EscapeCloses(QWidget* window, std::function<void()> close) {
  window->installEventFilter(new EscapeFilter(window, std::move(close)));
}

}  // namespace scandeck
