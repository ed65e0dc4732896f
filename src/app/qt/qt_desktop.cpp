#include "app/qt/qt_desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QMessageBox>
#include <cstdio>

#include "common/core/contact.h"
#include "common/qt/qt_text.h"

namespace scandeck {

void QtDesktop::report(const std::string& text) {
  if (open_.isNull()) queue_.closed();
  if (!queue_.add(text)) {
    open_->setText(ToQt(queue_.text()));
    return;
  }
  auto* box = new QMessageBox(QMessageBox::NoIcon, contact::kProgramTitle, ToQt(text), QMessageBox::Ok, owner_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName("report");
  box->setAccessibleName(QString(contact::kProgramTitle) + " message");
  open_ = box;
  box->open();
}

int QtDesktop::openReports() const { return open_.isNull() ? 0 : 1; }

void QtDesktop::message(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, contact::kProgramTitle, ToQt(text), QMessageBox::Ok, owner_);
  box.setObjectName("message");
  box.exec();
}

void QtDesktop::warn(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Warning, ToQt(title), ToQt(text), QMessageBox::Ok, owner_);
  box.setObjectName("warn");
  box.exec();
}

bool QtDesktop::askYesNo(const std::string& title, const std::string& text) {
  return QMessageBox::question(owner_, ToQt(title), ToQt(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDesktop::runSetup() {
  if (setup_runner_) setup_runner_();
}

void QtDesktop::endProcess() {
  // Every event loop is left in order rather than the process ended on the spot:
  // ending inside an accessibility action's handler leaves its caller waiting for
  // a reply that never comes. Nothing is written on the way out.
  ending_ = true;
  std::fflush(nullptr);
  QCoreApplication::exit(0);
}

}  // namespace scandeck

namespace scandeck {

void QtDesktop::openLink(const std::string& address) {
  // The result is not used: a link the desktop cannot open is silent.
  QDesktopServices::openUrl(QUrl(ToQt(address)));
}

}  // namespace scandeck
