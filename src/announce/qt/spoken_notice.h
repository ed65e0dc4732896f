#pragma once
// An announcement a screen reader speaks without the focus moving. Orca ignores name
// changes of labels and of anything but the focus, and Qt 6.4 has no announcement
// event; what Orca does speak is a notification that shows. So this is an object of
// the notification role that "shows" again with every new text. It never shows
// on screen, nor to a review of the window, so its last text is never met again.
#include <QString>
#include <QWidget>

namespace scandeck {

class SpokenNotice : public QWidget {
  Q_OBJECT
 public:
  explicit SpokenNotice(QWidget* parent);
  void say(const QString& text);
  const QString& said() const { return said_; }

 private:
  QString said_;
};

}  // namespace scandeck
