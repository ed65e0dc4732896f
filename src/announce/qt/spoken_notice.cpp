#include "announce/qt/spoken_notice.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace scandeck {

namespace {

QAccessibleInterface* NoticeFactory(const QString& key, QObject* object) {
  if (key == QLatin1String(SpokenNotice::staticMetaObject.className()) && object->isWidgetType())
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
  return nullptr;
}

}  // namespace

SpokenNotice::SpokenNotice(QWidget* parent) : QWidget(parent) {
  static const bool installed = (QAccessible::installFactory(NoticeFactory), true);
  (void)installed;
  setObjectName("SpokenNotice");
  setFocusPolicy(Qt::NoFocus);
  // No size and hidden: nothing to see or to click, and a review of the window
  // (which visits what is showing) passes it by, before and after it spoke.
  setGeometry(0, 0, 0, 0);
  hide();
}

void SpokenNotice::say(const QString& text) {
  if (text.isEmpty()) return;
  said_ = text;
  setAccessibleName(text);
  // Orca speaks a notification when it reports showing, and reads its name then.
  QAccessibleEvent shown(this, QAccessible::ObjectShow);
  QAccessible::updateAccessibility(&shown);
}

}  // namespace scandeck
