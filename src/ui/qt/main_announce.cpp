// The main window's announcements: what the core's Announcer says after each tick is
// spoken through a notification, and the Options menu holds the user's choice.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>

#include "announce/qt/spoken_notice.h"
#include "common/core/failure.h"
#include "common/qt/qt_text.h"
#include "ui/qt/main_window.h"

namespace scandeck {

void MainWindow::buildAnnounceMenu(QMenu* options) {
  announcer_.setChoice(ReadAnnounceChoice(core_.path(kAnnounceFileName)));
  notice_ = new SpokenNotice(this);
  auto* menu = options->addMenu("&Announcements");
  menu->setObjectName("AnnounceMnu");
  auto* group = new QActionGroup(menu);
  const std::pair<AnnounceChoice, const char*> entries[] = {
      // A new value of the focused control is spoken whatever the choice: it is
      // what the listener is on. The caption says so.
      {AnnounceChoice::Nothing, "Announce &Nothing but the Focused Control"},
      {AnnounceChoice::Talkgroups, "Announce &Talkgroups"},
      {AnnounceChoice::TalkgroupsAndChannels, "Announce Talkgroups and &Channels"}};
  for (const auto& [choice, caption] : entries) {
    QAction* entry = menu->addAction(caption);
    entry->setObjectName(QString("Announce%1").arg(static_cast<int>(choice)));
    entry->setCheckable(true);
    entry->setChecked(choice == announcer_.choice());
    group->addAction(entry);
    // Queued: a failure's box must not hold up an accessibility action that chose.
    connect(entry, &QAction::triggered, this, [this, choice = choice] { AnnounceMnu_Click(choice); },
            Qt::QueuedConnection);
  }
}

void MainWindow::AnnounceMnu_Click(AnnounceChoice choice) {
  announcer_.setChoice(choice);
  // The choice holds for this run either way; the box says it will not outlast it.
  if (Failure f = WriteAnnounceChoice(core_.path(kAnnounceFileName), choice))
    core_.desktop().warn("Announcements", MailReport("Saving announcements Error : ", f));
}

void MainWindow::announce(const QWidget* focus, const QString& focus_name_before) {
  if (focus && focus == QApplication::focusWidget() && isAncestorOf(focus) &&
      focus->accessibleName() != focus_name_before)
    announcer_.focusedValue(FromQt(focus->accessibleName()));
  announcer_.observe(core_.status(), clock_.now().count());
  if (const std::string text = announcer_.take(clock_.now().count()); !text.empty()) notice_->say(ToQt(text));
}

}  // namespace scandeck
