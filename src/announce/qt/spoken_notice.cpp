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
  // No size: nothing to see or to click, and flat review passes it by.
  setGeometry(0, 0, 0, 0);
}

void SpokenNotice::say(const QString& text) {
  if (text.isEmpty()) return;
  said_ = text;
  setAccessibleName(text);
  QAccessibleEvent shown(this, QAccessible::ObjectShow);
  QAccessible::updateAccessibility(&shown);
}

}  // namespace scandeck
