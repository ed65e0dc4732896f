#pragma once
// The notification-area icon of the compact modes, on QSystemTrayIcon.
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>

namespace scandeck {

class TrayIcon final : public QObject {
  Q_OBJECT
 public:
  explicit TrayIcon(QObject* parent = nullptr) : QObject(parent) {}
  ~TrayIcon() override { RemoveTrayIcon(); }
  static bool available() { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void AddTrayIcon(const QIcon& icon, const QString& tip);
  void RemoveTrayIcon();
  bool present() const { return icon_ && icon_->isVisible(); }
  // Only a double-click acts; single clicks do nothing.
  std::function<void()> onDoubleClick;

 private:
  QPointer<QSystemTrayIcon> icon_;
};

}  // namespace scandeck
