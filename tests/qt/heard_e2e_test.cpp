// The Heard window against the simulated scanner: after minutes of traffic on a
// manual clock the list agrees with what the scanner says it transmitted; naming a
// row reaches the file and the main display. The window and its name window against
// what a user or an assistive tool does. Alerts on a real notification server are in
// tests/heard/run.sh.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>

#include <map>

#include "common/core/text.h"
#include "heard/qt/heard_window.h"
#include "support/sim_session.h"
#include "support/wait_until.h"

using namespace scandeck;

namespace {

struct Sent {
  int hits = 0;
  long long ms = 0;
};

struct Traffic : scandeck::testing::SimSession {
  // What the scanner transmitted, by frequency, from its own reports and memories.
  std::map<std::string, Sent> sent;
  std::string on_air;
  long long opened = 0;

  Traffic() : SimSession([] {
    auto options = sim::QuietOptions(7);
    options.activity_per_minute = 30;
    return options;
  }()) {
    simulator->setObserver([this](sim::Simulator::Direction direction, std::string_view line) {
      if (direction != sim::Simulator::Direction::FromScanner) return;
      const long long now = clock.now().count();
      if (line == "+") {
        const long units = simulator->state().channels[simulator->state().channel].units;
        std::string digits = std::to_string(units);
        on_air = FrequencyTextFromUnits(std::string(8 - std::min<std::size_t>(8, digits.size()), '0') + digits, '.');
        ++sent[on_air].hits;
        opened = now;
      } else if (line == "-" && !on_air.empty()) {
        sent[on_air].ms += now - opened;
        on_air.clear();
      }
    });
  }
  QModelIndex viewRowOf(const std::string& frequency) {
    QAbstractItemModel* view = window->heard().window()->table().model();
    for (int r = 0; r < view->rowCount(); ++r)
      if (view->index(r, HeardModel::Number).data().toString() == QString::fromStdString(frequency))
        return view->index(r, HeardModel::Number);
    return {};
  }
};

// Heard in trunk bank 3: talkgroup 400-12, in the ID directory, and 400-13, not in it.
struct TwoTalkgroups {
  scandeck::testing::TempDir folder;
  scandeck::testing::FakeDesktop desktop;
  ManualClock clock;
  FreqDirectory channels;
  IdDirectory talkgroups;
  RecordFile freq_file, id_file;
  DesktopNotifier notifier;  // not reached: nothing marked is heard
  HeardSession session{clock, {channels, freq_file, talkgroups, id_file, desktop, folder.path.string(), {}, {}},
                       notifier, nullptr};
  HeardWindow& window = session.show();
  TwoTalkgroups() {
    *talkgroups.find(3, 12) = IdEntry{"2-2", "400-12", "FDP", "Fireground 12", " ", ""};
    for (const char* id : {"400-12", "400-13"}) session.list().talkgroupStarted("3", id);
    session.tick();
  }
  QModelIndex row(const char* id) {
    const QAbstractItemModel* view = window.table().model();
    return view->match(view->index(0, HeardModel::Number), Qt::DisplayRole, id, 1, Qt::MatchExactly).value(0);
  }
  QAccessibleActionInterface* actions(const char* button) {
    return QAccessible::queryAccessibleInterface(window.findChild<QPushButton*>(button))->actionInterface();
  }
};

}  // namespace

TEST(HeardAgainstSimulator, CountsAndActiveTimesAgreeWithWhatTheScannerSent) {
  Traffic t;
  HeardWindow& heard = t.window->heard().show();
  t.ticks(5 * 60 * 20);  // five minutes
  for (int i = 0; i < 400 && !t.on_air.empty(); ++i) t.ticks(1);  // the last transmission ends
  t.ticks(2);
  ASSERT_TRUE(t.on_air.empty());
  ASSERT_GE(t.sent.size(), 3u);
  const HeardList& list = t.window->heard().list();
  ASSERT_EQ(list.rows().size(), t.sent.size());
  EXPECT_EQ(heard.table().model()->rowCount(), static_cast<int>(t.sent.size()));
  for (const HeardRow& row : list.rows()) {
    const Sent& s = t.sent[row.key.id];
    EXPECT_EQ(row.hits, s.hits) << row.key.id;
    // Each report reaches the program within a couple of ticks of the scanner sending it.
    EXPECT_NEAR(list.activeTime(row).count(), s.ms, row.hits * 2 * kPollIntervalMs) << row.key.id;
    EXPECT_FALSE(row.active);
  }
}

TEST(HeardAgainstSimulator, NamingARowWritesTheRecordAndTheMainDisplayShowsIt) {
  Traffic t;
  t.window->heard().show();
  t.ticks(60 * 20);
  ASSERT_FALSE(t.sent.empty());
  const std::string frequency = t.sent.begin()->first;
  const QModelIndex index = t.viewRowOf(frequency);
  ASSERT_TRUE(index.isValid());

  // Not stored yet: the window says so and offers the directory at the first free bank.
  t.desktop.answer_yes = false;
  t.window->heard().window()->nameRow(index);
  ASSERT_EQ(t.desktop.events.size(), 1u);
  EXPECT_EQ(t.desktop.events[0], "ask Heard - ScanDeck: The channel " + frequency +
                                     " is not in the frequencies directory. Open the frequencies directory at bank 1?");

  // Named while the scanner stands on it: the main display follows at once.
  for (int i = 0; i < 20 * 60 * 5 && t.core->status().FrequencyText != frequency; ++i) t.ticks(1);
  ASSERT_EQ(t.core->status().FrequencyText, frequency);
  t.core->freq()[42].frequency = frequency;
  t.window->heard().window()->nameRow(t.viewRowOf(frequency));
  HeardNameEditor* editor = t.window->heard().window()->nameEditor();
  ASSERT_NE(editor, nullptr);
  editor->findChild<QComboBox*>("TypeCmb")->setCurrentText("FDP");
  editor->findChild<QLineEdit*>("NameBox")->setText("Station 42 Dispatch");
  editor->accept();
  EXPECT_EQ(t.viewRowOf(frequency).siblingAtColumn(HeardModel::Name).data().toString(), "Station 42 Dispatch");

  RecordFile file;
  FreqDirectory reread;
  ASSERT_FALSE(LoadFreqDirectory(t.folder.file("bank.dat"), file, reread, '.'));
  EXPECT_EQ(reread[42].name, "Station 42 Dispatch");
  EXPECT_EQ(reread[42].type, "FDP");
  EXPECT_EQ(reread[41].name, "");

  EXPECT_TRUE(t.window->findChild<QWidget*>("NameLbl")->accessibleName().contains("Station 42 Dispatch"));
  EXPECT_EQ(t.core->status().ChannelNumber, "42");
}

// Run by tests/heard/run.sh inside a D-Bus session with a notification server.
TEST(HeardAlerts, ReachTheSessionsNotificationServerOncePerActivity) {
  if (qEnvironmentVariableIsEmpty("SCANDECK_NOTIFY_TEST")) GTEST_SKIP() << "run by tests/heard/run.sh";
  scandeck::testing::TempDir folder;
  scandeck::testing::FakeDesktop desktop;
  ManualClock clock;
  FreqDirectory channels;
  IdDirectory talkgroups;
  RecordFile freq_file, id_file;
  *talkgroups.find(3, 12) = IdEntry{"2-2", "400-12", "FDP", "Fireground 12", " ", ""};
  DesktopNotifier notifier;
  HeardSession session(clock, {channels, freq_file, talkgroups, id_file, desktop, folder.path.string(), {}, {}},
                       notifier, nullptr);
  session.marks().set({HeardKind::Talkgroup, "3", "400-12"}, true);
  HeardList& list = session.list();
  const auto tick = [&] {
    clock.advance(std::chrono::milliseconds(kPollIntervalMs));
    session.tick();
  };
  // Two activities of the marked talkgroup, one repeated start, one other talkgroup.
  const std::pair<bool, const char*> steps[] = {{true, "400-12"}, {true, "400-12"}, {false, "400-12"},
                                                {true, "400-13"}, {false, "400-13"}, {true, "400-12"}, {false, "400-12"}};
  for (const auto& [start, id] : steps) {
    if (start) list.talkgroupStarted("3", id); else list.talkgroupEnded("3", id);
    tick();
  }
  QTest::qWait(500);  // the calls are asynchronous: let them leave
}

TEST(HeardWindow, ADoubleClickOrEnterNamesTheRowOnce) {
  // A double-click emits doubleClicked and activated, Enter activated only. The stored
  // talkgroup gets a name window, the other the question where to store it.
  for (const char* id : {"400-12", "400-13"}) {
    for (const bool enter : {false, true}) {
      TwoTalkgroups h;
      h.desktop.answer_yes = false;
      QTableView& table = h.window.table();
      table.setCurrentIndex(h.row(id));
      const QPoint at = table.visualRect(table.currentIndex()).center();
      if (enter) {
        QTest::keyClick(&table, Qt::Key_Return);
      } else {  // a double-click's first click, then the double-click
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, at);
      }
      const auto opened = [&] { return h.window.findChildren<HeardNameEditor*>().size() + h.desktop.events.size(); };
      ASSERT_TRUE(scandeck::testing::WaitUntil([&] { return opened() > 0; }, 5000)) << id << enter;
      QCoreApplication::sendPostedEvents();  // a second request queued behind the first
      EXPECT_EQ(opened(), 1u) << id << (enter ? " Enter" : " double-click");
    }
  }
}

TEST(HeardWindow, ClosingItWhileTheNameWindowIsOpenEndsBoth) {
  // The Heard window deletes itself on close; an assistive tool can press its Close
  // button while the (window-modal) name window is up.
  for (const bool accessible : {true, false}) {
    TwoTalkgroups h;
    QPointer<HeardWindow> window = &h.window;
    // Queued: the name window used to run an event loop of its own until it closed.
    QTimer::singleShot(0, window, [&h, accessible] {
      if (accessible) h.actions("CloseBtn")->doAction(QAccessibleActionInterface::pressAction());
      else h.window.close();
    });
    window->nameRow(h.row("400-12"));
    ASSERT_TRUE(scandeck::testing::WaitUntil([&] { return window.isNull(); }, 5000));
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<HeardNameEditor*>(w), nullptr);
  }
}

TEST(HeardWindow, AlertMeAndRecordFollowTheirButtonsThroughAccessibleActionsEachInItsOwnFile) {
  struct Mark {
    const char* button;
    const char* file;
    const char* other_file;
    HeardMarks& (*marks)(HeardSession&);
  };
  const Mark kinds[] = {
      {"AlertBtn", kAlertFileName, kRecordMarksFileName, [](HeardSession& s) -> HeardMarks& { return s.marks(); }},
      {"RecordBtn", kRecordMarksFileName, kAlertFileName, [](HeardSession& s) -> HeardMarks& { return s.recordMarks(); }},
  };
  for (const Mark& kind : kinds) {
    TwoTalkgroups h;
    h.window.table().setCurrentIndex(h.row("400-12"));
    const HeardKey key{HeardKind::Talkgroup, "3", "400-12"};
    const QString toggle = QAccessibleActionInterface::toggleAction(), press = QAccessibleActionInterface::pressAction();
    const std::pair<QString, bool> steps[] = {{toggle, true}, {toggle, false}, {press, true}, {press, false}};
    for (const auto& [action, marked] : steps) {
      h.actions(kind.button)->doAction(action);
      // A press is an animated click that lands on a timer.
      EXPECT_TRUE(scandeck::testing::WaitUntil([&] { return kind.marks(h.session).marked(key) == marked; }, 5000))
          << kind.button << action.toStdString() << marked;
      h.window.refresh();  // as the next tick does
      EXPECT_EQ(h.window.findChild<QPushButton*>(kind.button)->isChecked(), marked);
      EXPECT_EQ(scandeck::testing::Slurp(h.folder.file(kind.file)), marked ? key.text() + "\r\n" : "");
      EXPECT_FALSE(std::filesystem::exists(h.folder.file(kind.other_file))) << kind.button;
    }
  }
}

TEST(HeardWindow, RecordNowAndTheRecordingsFolderGoToRecording) {
  TwoTalkgroups h;
  int pressed = 0;
  bool on = false;
  h.session.sources().recordNow = [&] { return ++pressed, on; };
  h.session.sources().recordingsFolder = [&] { return h.folder.file("calls of 400-12"); };
  h.window.findChild<QPushButton*>("RecordNowBtn")->click();
  on = true;
  h.window.findChild<QPushButton*>("RecordNowBtn")->click();
  h.window.findChild<QPushButton*>("FolderBtn")->click();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(pressed, 2);
  // Only the press made while recording is off says so (after the press returns); the
  // folder is made to be opened.
  EXPECT_EQ(h.desktop.events,
            (std::vector<std::string>{"link: " + QUrl::fromLocalFile(QString::fromStdString(h.folder.file("calls of 400-12")))
                                                     .toString(QUrl::FullyEncoded)
                                                     .toStdString(),
                                      "warn Heard - ScanDeck: Recording is off: switch it on in Options > Recording..."}));
  EXPECT_TRUE(std::filesystem::is_directory(h.folder.file("calls of 400-12")));
}

TEST(HeardWindow, PlayLastCallPlaysTheRowsNewestRecordingAndStopEndsIt) {
  TwoTalkgroups h;
  std::vector<std::string> played;
  bool playing = false;
  int stops = 0;
  HeardSources& sources = h.session.sources();
  sources.recordings = [](const HeardKey& key) {
    return key.id == "400-12" ? RowRecordings{2, "/rec/2026-03-10/400-12_2.opus"} : RowRecordings{};
  };
  sources.play = [&](const std::string& path) {
    played.push_back(path);
    playing = true;
    return std::string();
  };
  sources.stopPlaying = [&] { ++stops, playing = false; };
  sources.playing = [&] { return playing; };
  h.window.refresh();
  auto* play = h.window.findChild<QPushButton*>("PlayBtn");
  auto* stop = h.window.findChild<QPushButton*>("StopBtn");
  const auto count = [&](const char* id) { return h.row(id).siblingAtColumn(HeardModel::Recordings).data().toString(); };
  EXPECT_EQ(count("400-12"), "2");
  EXPECT_EQ(count("400-13"), "") << "no recording shows no number";
  const struct {
    const char* row;
    bool can_play;
  } rows[] = {{"400-13", false}, {"400-12", true}};
  for (const auto& r : rows) {
    h.window.table().setCurrentIndex(h.row(r.row));
    EXPECT_EQ(play->isEnabled(), r.can_play) << r.row;
  }
  EXPECT_FALSE(stop->isEnabled());
  play->click();
  EXPECT_EQ(played, std::vector<std::string>{"/rec/2026-03-10/400-12_2.opus"});
  EXPECT_TRUE(stop->isEnabled());
  stop->click();
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(stop->isEnabled());
  // A file the player cannot read is said once, after the signal's handler returns.
  h.window.playbackChanged("no decoder");
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(h.desktop.events,
            std::vector<std::string>{"warn Heard - ScanDeck: The call could not be played: no decoder"});
}
