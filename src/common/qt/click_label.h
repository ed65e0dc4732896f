#pragma once
// A label that acts as a button: clicked by mouse, or by Space/Enter when it has
// the keyboard focus, and announced as a button to screen readers.
#include <QLabel>

namespace scandeck {

class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ClickLabel(const QString& text = {}, QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace scandeck
