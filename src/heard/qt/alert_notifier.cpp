#include "heard/qt/alert_notifier.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>

namespace scandeck {

void DesktopNotifier::notify(const QString& summary, const QString& body) {
  QApplication::beep();
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                                     "org.freedesktop.Notifications", "Notify");
  call << QString("ScanDeck") << 0u << QString("scandeck") << summary << body << QStringList() << QVariantMap()
       << -1;
  // Without a session bus there is nobody to show it to; the beep and the Heard
  // window's alert line still tell the user.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) bus.asyncCall(call);
}

}  // namespace scandeck
