#pragma once
// "Heard - ScanDeck": every channel and talkgroup heard since start, live, with
// naming from the list, "alert me" marks and the CSV export. Not modal; never takes
// the focus when it updates.
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QWidget>
#include <functional>
#include <memory>

#include "common/core/desktop.h"
#include "heard/core/heard_names.h"
#include "heard/qt/alert_notifier.h"
#include "heard/qt/heard_model.h"

class QComboBox;

namespace scandeck {

class HeardTableInput;

// What the Heard list uses from the rest of the program.
struct HeardSources {
  FreqDirectory& channels;
  RecordFile& freqFile;
  IdDirectory& talkgroups;
  RecordFile& idFile;
  Desktop& desktop;
  std::string folder;  // the working folder: alerts.dat and heard.ini live there
  // Opens the frequency (Channel) or ID (Talkgroup) directory window at a bank.
  std::function<void(HeardKind kind, int bank)> openDirectory;
  // Called after a name was saved, so the main display can show it.
  std::function<void()> renamed;
  // Call recording: "Record now" (false while recording is off) and the recordings
  // folder. The session adds its "Record" marks.
  std::function<bool()> recordNow{};
  std::function<std::string()> recordingsFolder{};
  HeardMarks* recordMarks = nullptr;
  // The row's kept recordings, and playing one: play() returns why it cannot, or empty.
  RecordingsOf recordings{};
  std::function<std::string(const std::string& path)> play{};
  std::function<void()> stopPlaying{};
  std::function<bool()> playing{};
};

// "Name Entry": the type and name of one directory entry. Opened with open() and
// deleted on close, a child of the Heard window: whatever closes that window takes
// this one with it, never from under a running event loop.
class HeardNameEditor final : public QDialog {
  Q_OBJECT
 public:
  HeardNameEditor(const QString& what, const HeardEntry& entry, QWidget* parent);
  std::string type() const;
  std::string name() const;

 private:
  QComboBox* TypeCmb;
  QLineEdit* NameBox;
};

class HeardWindow final : public QWidget {
  Q_OBJECT
 public:
  HeardWindow(HeardList& list, AlertMarks& marks, HeardSources& sources, QWidget* owner);
  ~HeardWindow() override;

  // After a tick: new rows and changed values, selection and scroll place kept.
  void refresh();
  void showAlert(const QString& text);
  // Playing started or ended (or failed, `error` saying why): Stop follows at once.
  void playbackChanged(const std::string& error = {});
  // Double-click or Enter: opens the name window for a row in the directory and
  // returns (the name is saved when it is accepted), else offers to open the directory.
  // One name window at a time: asking again brings it to the front.
  void nameRow(const QModelIndex& view_index);
  HeardNameEditor* nameEditor() const { return editor_; }
  bool exportTo(const QString& path);
  HeardModel& model() { return *model_; }
  QTableView& table() { return *HeardTable; }

 private:
  const HeardRow* selectedRow() const;
  void applyFilters();
  void updateAlertButton();
  // "Alert me" follows the button's state however it changed: a click, a key, or an
  // assistive tool's press or toggle action.
  void AlertBtn_Toggled(bool on);
  void RecordBtn_Toggled(bool on);
  void RecordNowBtn_Click();
  void FolderBtn_Click();
  void PlayBtn_Click();
  void StopBtn_Click();
  void markRow(HeardMarks& marks, const char* file, bool on, const char* what);
  void requestName(const QModelIndex& view_index);
  void saveName(const HeardKey& key, const std::string& type, const std::string& name);
  void warnLater(std::string text);

  HeardList& list_;
  AlertMarks& marks_;
  HeardSources& sources_;
  HeardModel* model_;
  HeardFilter* filter_;
  QCheckBox* UnnamedChk;
  QCheckBox* ChannelsChk;
  QCheckBox* TalkgroupsChk;
  QLineEdit* FindBox;
  QTableView* HeardTable;
  QPushButton* AlertBtn;
  QPushButton* RecordBtn;
  QPushButton* RecordNowBtn;
  QPushButton* FolderBtn;
  QPushButton* PlayBtn;
  QPushButton* StopBtn;
  QPushButton* NameBtn;
  QPushButton* ExportBtn;
  QPushButton* CloseBtn;
  QLabel* AlertLbl;
  HeardTableInput* table_input_;
  QPointer<HeardNameEditor> editor_;
};

// The list and its marks for the whole run; the window comes and goes.
class HeardSession {
 public:
  HeardSession(const Clock& clock, HeardSources sources, AlertNotifier& notifier, QWidget* owner);
  ~HeardSession();
  HeardList& list() { return list_; }
  AlertMarks& marks() { return marks_; }
  // Marked "Record": recorded when recording takes only marked ones.
  HeardMarks& recordMarks() { return record_marks_; }
  HeardSources& sources() { return sources_; }
  // Each tick: alerts go out, the window follows the list.
  void tick();
  HeardWindow& show();
  HeardWindow* window() { return window_; }

 private:
  const Clock& clock_;
  HeardSources sources_;
  AlertNotifier& notifier_;
  QWidget* owner_;
  HeardList list_;
  AlertMarks marks_;
  HeardMarks record_marks_;
  QPointer<HeardWindow> window_;
  std::uint64_t shown_version_ = 0;
  std::chrono::milliseconds shown_at_{0};
};

}  // namespace scandeck
