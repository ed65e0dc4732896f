#include "ui/qt/tray_icon.h"

namespace scandeck {

void TrayIcon::AddTrayIcon(const QIcon& icon, const QString& tip) {
  if (!icon_) {
    icon_ = new QSystemTrayIcon(icon, this);
    icon_->setObjectName("picTray");
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason == QSystemTrayIcon::DoubleClick && onDoubleClick) onDoubleClick();
    });
  }
  icon_->setToolTip(tip.left(63));
  icon_->show();
}

void TrayIcon::RemoveTrayIcon() {
  if (!icon_) return;
  icon_->hide();
  delete icon_;
}

}  // namespace scandeck
