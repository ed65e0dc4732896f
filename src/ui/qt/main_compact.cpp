// The main window's side of the compact modes: the tray icon, hiding and showing
// itself, and rendering the compact window from the core's CompactView.
#include "ui/qt/main_window.h"
#include "ui/qt/smart_view.h"
#include "ui/qt/tray_icon.h"

namespace scandeck {

void MainWindow::enterCompactMode(bool pop_up) {
  const bool tray = TrayIcon::available();
  if (tray) tray_->AddTrayIcon(windowIcon(), "Sample Tip");
  // Without a notification area a hidden main window could never be reached again.
  if (tray) hide();
  else showMinimized();
  core_.EnterCompactMode(pop_up);
  renderCompact();
}

void MainWindow::renderCompact() {
  const CompactView& view = core_.compact();
  // The decoders fill the view on every tick; the window is made when a compact mode
  // first needs it, and renders only while it is shown or about to change that.
  if (!smart_view_ && !view.visible && view.SmartViewState == kNoCompactMode) return;
  if (smart_view_ && !view.visible && smart_view_->isHidden()) return;
  if (!smart_view_) {
    smart_view_ = new SmartView(this);
    connect(smart_view_, &SmartView::unloaded, this, &MainWindow::SmartView_Unload);
    connect(smart_view_, &SmartView::HoldCmd_Click, this, [this] { core_.HoldCmd_Click(); });
    connect(smart_view_, &SmartView::PopUpLbl_Click, this, [this] {
      core_.PopUpLbl_Click();
      renderCompact();
    });
  }
  smart_view_->render(view);
}

void MainWindow::SmartView_Unload() {
  tray_->RemoveTrayIcon();
  if (isMinimized()) showNormal();
  else show();
  core_.SmartView_Unload();
  renderCompact();
}

void MainWindow::picTray_DoubleClick() {
  core_.picTray_DoubleClick();
  renderCompact();
}

}  // namespace scandeck
