#pragma once
// A label that acts as a button: clicked by mouse, or by Space/Enter when it has
// the keyboard focus, and announced as a button to screen readers.
#include <QLabel>

namespace scandeck {

class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ClickLabel(const QString& text = {}, QWidget* parent = nullptr);

  // A label that lights up for a setting is a toggle to a screen reader: checkable,
  // and checked while lit.
  void setCheckable(bool checkable) { checkable_ = checkable; }
  bool isCheckable() const { return checkable_; }
  void setChecked(bool checked);
  bool isChecked() const { return checked_; }

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool checkable_ = false;
  bool checked_ = false;
};

}  // namespace scandeck
