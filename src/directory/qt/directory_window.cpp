#include "directory/qt/directory_window.h"

#include <QCloseEvent>
#include <QIcon>
#include <utility>

#include "common/core/desktop.h"
#include "common/qt/controls.h"
#include "common/qt/pictures.h"
#include "link/core/read_session.h"

namespace scandeck {

DirectoryWindow::DirectoryWindow(Desktop& desktop, QWidget* main_window, const char* name, const QString& title,
                                 const char* timer_name)
    : QWidget(main_window, Qt::Window), desktop_(desktop), main_window_(main_window) {
  setObjectName(name);
  setWindowTitle(title);
  setWindowIcon(QIcon(pictures::AppIcon(64)));
  setAttribute(Qt::WA_DeleteOnClose);
  readTimer_.setObjectName(timer_name);
  readTimer_.setInterval(kReadTickMs);
  // As Cancel: the window closes and nothing is written.
  EscapeCloses(this, [this] { close(); });
}

void DirectoryWindow::ComingSoon(QWidget* box, std::string text) {
  coming_soon_box_ = box;
  coming_soon_text_ = std::move(text);
  box->installEventFilter(this);
}

void DirectoryWindow::StartReading(bool reading) {
  if (!reading) return;
  readTimer_.setInterval(kReadTickMs);
  readTimer_.start();
}

void DirectoryWindow::closeEvent(QCloseEvent* event) {
  closing_ = true;
  readTimer_.stop();
  endRead();
  if (main_window_) {
    main_window_->show();
    main_window_->raise();
    main_window_->activateWindow();
  }
  event->accept();
}

bool DirectoryWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == coming_soon_box_ && event->type() == QEvent::MouseButtonRelease) {
    desktop_.warn("Coming soon...", coming_soon_text_);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace scandeck
