#include "heard/qt/heard_window.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "common/core/safe_write.h"
#include "common/core/type_codes.h"
#include "common/qt/controls.h"
#include "common/qt/qt_text.h"

namespace scandeck {

namespace {

QString SettingsPath(const std::string& folder) { return ToQt(folder) + "/heard.ini"; }

// "talkgroup 400-12 of bank 3", "channel 155.3250"
QString Describe(const HeardKey& key) {
  if (key.kind == HeardKind::Channel) return "channel " + ToQt(key.id);
  return "talkgroup " + ToQt(key.id) + (key.bank.empty() ? QString(" (trunk bank unknown)") : " of bank " + ToQt(key.bank));
}

template <typename W>
W* Named(W* widget, const char* name, const QString& accessible) {
  widget->setObjectName(name);
  widget->setAccessibleName(accessible);
  return widget;
}

}  // namespace

// Whether the table's last input came from the pointer. A double-click emits both
// doubleClicked and activated, and some platforms activate on a single click: the
// pointer names a row by double-click only, the keyboard by Enter (activated).
class HeardTableInput final : public QObject {
 public:
  using QObject::QObject;
  bool pointer = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonRelease)
      pointer = true;
    else if (type == QEvent::KeyPress)
      pointer = false;
    return false;
  }
};

HeardNameEditor::HeardNameEditor(const QString& what, const HeardEntry& entry, QWidget* parent) : QDialog(parent) {
  setObjectName("HeardNameEditor");
  setWindowTitle("Name Entry - ScanDeck");
  TypeCmb = Named(new QComboBox(this), "TypeCmb", "Type");
  TypeCmb->addItem(QString());
  for (const TypeCode& code : kTypeCodes) {
    TypeCmb->addItem(QString::fromLatin1(code.code.data(), static_cast<qsizetype>(code.code.size())));
    TypeCmb->setItemData(TypeCmb->count() - 1, QString::fromLatin1(code.meaning.data(), static_cast<qsizetype>(code.meaning.size())), Qt::ToolTipRole);
  }
  TypeCmb->setCurrentIndex(std::max(0, TypeCmb->findText(ToQt(entry.type))));
  NameBox = Named(new SpokenBox(ToQt(entry.name), this), "NameBox", "Name");
  NameBox->setMaxLength(static_cast<int>(kMaxHeardName));
  auto* form = new QFormLayout(this);
  auto* label = Named(new QLabel(what, this), "WhatLbl", what);
  form->addRow(label);
  form->addRow("&Type", TypeCmb);
  form->addRow("&Name", NameBox);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("OkCmd");
  buttons->button(QDialogButtonBox::Ok)->setAccessibleName("OK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("CancelCmd");
  buttons->button(QDialogButtonBox::Cancel)->setAccessibleName("Cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
  NameBox->setFocus();
}

std::string HeardNameEditor::type() const { return FromQt(TypeCmb->currentText()); }
std::string HeardNameEditor::name() const { return FromQt(NameBox->text()); }

HeardWindow::HeardWindow(HeardList& list, AlertMarks& marks, HeardSources& sources, QWidget* owner)
    : QWidget(owner, Qt::Window), list_(list), marks_(marks), sources_(sources) {
  setObjectName("HeardWindow");
  setWindowTitle("Heard - ScanDeck");
  setAttribute(Qt::WA_DeleteOnClose);
  model_ = new HeardModel(list, sources.channels, sources.talkgroups, marks, this);
  // The sources outlive the window; the model may be asked while the window's own
  // part is already destroyed (children go last), so it holds no `this`.
  model_->setRecordings([sources = &sources_](const HeardKey& key) {
    return sources->recordings ? sources->recordings(key) : RowRecordings{};
  });
  filter_ = new HeardFilter(this);
  filter_->setSourceModel(model_);
  filter_->setSortRole(HeardModel::kSortRole);
  filter_->setDynamicSortFilter(true);

  UnnamedChk = Named(new QCheckBox("&Unnamed only", this), "UnnamedChk", "Unnamed only");
  ChannelsChk = Named(new QCheckBox("&Channels", this), "ChannelsChk", "Channels");
  TalkgroupsChk = Named(new QCheckBox("&Talkgroups", this), "TalkgroupsChk", "Talkgroups");
  ChannelsChk->setChecked(true);
  TalkgroupsChk->setChecked(true);
  FindBox = Named(new SpokenBox(this), "FindBox", "Find");
  auto* find_label = new QLabel("&Find", this);
  find_label->setBuddy(FindBox);
  HeardTable = Named(new QTableView(this), "HeardTable", "Heard list");
  HeardTable->setModel(filter_);
  HeardTable->setSortingEnabled(true);
  HeardTable->sortByColumn(HeardModel::Last, Qt::DescendingOrder);
  HeardTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  HeardTable->setSelectionMode(QAbstractItemView::SingleSelection);
  HeardTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  HeardTable->verticalHeader()->hide();
  HeardTable->setWordWrap(false);
  // Tab leaves the table for the buttons below; the arrow keys move in it.
  HeardTable->setTabKeyNavigation(false);
  HeardTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  // Every column as wide as its texts (a narrow window scrolls rather than cutting a
  // caption); the last takes what is left.
  HeardTable->horizontalHeader()->setStretchLastSection(true);
  AlertBtn = Named(new QPushButton("&Alert me", this), "AlertBtn", "Alert me");
  AlertBtn->setCheckable(true);
  RecordBtn = Named(new QPushButton("&Record", this), "RecordBtn", "Record, when recording takes only marked calls");
  RecordBtn->setCheckable(true);
  RecordNowBtn = Named(new QPushButton("Record n&ow", this), "RecordNowBtn", "Record now, the call in progress from its start");
  FolderBtn = Named(new QPushButton("Open recor&dings folder", this), "FolderBtn", "Open recordings folder");
  PlayBtn = Named(new QPushButton("&Play last call", this), "PlayBtn", "Play last call, the newest recording of the row");
  StopBtn = Named(new QPushButton("&Stop", this), "StopBtn", "Stop playing");
  NameBtn = Named(new QPushButton("&Name...", this), "NameBtn", "Name...");
  ExportBtn = Named(new QPushButton("E&xport CSV...", this), "ExportBtn", "Export CSV...");
  CloseBtn = Named(new QPushButton("Close", this), "CloseBtn", "Close");
  AlertLbl = Named(new QLabel(this), "AlertLbl", "Last alert: none");
  AlertLbl->setText("Last alert: none");

  auto* filters = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{UnnamedChk, ChannelsChk, TalkgroupsChk, find_label, FindBox}) filters->addWidget(w);
  // Two rows, so every caption fits on a 1024-pixel screen: the row's marks and
  // recordings, then what acts on the list.
  auto* mark_row = new QHBoxLayout;
  mark_row->addWidget(AlertLbl, 1);
  for (QWidget* w : std::initializer_list<QWidget*>{AlertBtn, RecordBtn, RecordNowBtn, PlayBtn, StopBtn}) mark_row->addWidget(w);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QWidget* w : std::initializer_list<QWidget*>{FolderBtn, NameBtn, ExportBtn, CloseBtn}) buttons->addWidget(w);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(HeardTable, 1);
  layout->addLayout(mark_row);
  layout->addLayout(buttons);

  for (QCheckBox* box : {UnnamedChk, ChannelsChk, TalkgroupsChk}) connect(box, &QCheckBox::toggled, this, &HeardWindow::applyFilters);
  connect(FindBox, &QLineEdit::textChanged, this, &HeardWindow::applyFilters);
  table_input_ = new HeardTableInput(this);
  HeardTable->installEventFilter(table_input_);
  HeardTable->viewport()->installEventFilter(table_input_);
  connect(HeardTable, &QTableView::doubleClicked, this, &HeardWindow::requestName);
  connect(HeardTable, &QTableView::activated, this, [this](const QModelIndex& index) {
    if (!table_input_->pointer) requestName(index);
  });
  connect(HeardTable->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HeardWindow::updateAlertButton);
  connect(AlertBtn, &QPushButton::toggled, this, &HeardWindow::AlertBtn_Toggled);
  connect(RecordBtn, &QPushButton::toggled, this, &HeardWindow::RecordBtn_Toggled);
  connect(RecordNowBtn, &QPushButton::clicked, this, &HeardWindow::RecordNowBtn_Click);
  connect(FolderBtn, &QPushButton::clicked, this, &HeardWindow::FolderBtn_Click);
  connect(PlayBtn, &QPushButton::clicked, this, &HeardWindow::PlayBtn_Click);
  connect(StopBtn, &QPushButton::clicked, this, &HeardWindow::StopBtn_Click);
  connect(NameBtn, &QPushButton::clicked, this, [this] { requestName(HeardTable->currentIndex()); });
  connect(ExportBtn, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, "Export Heard list", ToQt(sources_.folder) + "/heard.csv",
                                                      "CSV files (*.csv)");
    if (!path.isEmpty()) exportTo(path);
  });
  connect(CloseBtn, &QPushButton::clicked, this, &QWidget::close);
  EscapeCloses(this, [this] { close(); });
  updateAlertButton();

  QSize size = QSettings(SettingsPath(sources_.folder), QSettings::IniFormat).value("Heard/size", QSize(1000, 460)).toSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) size = size.boundedTo(screen->availableSize());
  resize(size);
}

HeardWindow::~HeardWindow() {
  QSettings settings(SettingsPath(sources_.folder), QSettings::IniFormat);
  settings.setValue("Heard/size", size());
}

void HeardWindow::refresh() {
  // The proxy keeps the selection on its row through inserts and re-sorting, and the
  // view keeps its scroll value; nothing here touches focus or raises the window.
  model_->refresh();
  updateAlertButton();
}

void HeardWindow::showAlert(const QString& text) {
  AlertLbl->setText("Last alert: " + text);
  AlertLbl->setAccessibleName("Last alert: " + text);  // a screen reader hears the name change
}

const HeardRow* HeardWindow::selectedRow() const {
  const QModelIndex current = HeardTable->currentIndex();
  return current.isValid() ? model_->row(filter_->mapToSource(current).row()) : nullptr;
}

void HeardWindow::applyFilters() {
  filter_->setFilters(UnnamedChk->isChecked(), ChannelsChk->isChecked(), TalkgroupsChk->isChecked(), FindBox->text());
}

void HeardWindow::updateAlertButton() {
  const HeardRow* row = selectedRow();
  AlertBtn->setEnabled(row != nullptr);
  NameBtn->setEnabled(row != nullptr);
  RecordBtn->setEnabled(row != nullptr && sources_.recordMarks);
  PlayBtn->setEnabled(row && sources_.play && model_->recordings(*row).count > 0);
  StopBtn->setEnabled(sources_.playing && sources_.playing());
  const QSignalBlocker shown_only(AlertBtn);  // showing a row's mark is not marking it
  AlertBtn->setChecked(row && marks_.marked(row->key));
  const QSignalBlocker record_shown_only(RecordBtn);
  RecordBtn->setChecked(row && sources_.recordMarks && sources_.recordMarks->marked(row->key));
}

void HeardWindow::AlertBtn_Toggled(bool on) { markRow(marks_, kAlertFileName, on, "alerts"); }

void HeardWindow::RecordBtn_Toggled(bool on) {
  if (sources_.recordMarks) markRow(*sources_.recordMarks, kRecordMarksFileName, on, "marks for recording");
}

void HeardWindow::markRow(HeardMarks& marks, const char* file, bool on, const char* what) {
  const HeardRow* row = selectedRow();
  if (!row || marks.marked(row->key) == on) return;
  if (!marks.set(row->key, on))
    warnLater("No more than 1000 " + std::string(what) + " can be kept.");
  else if (const Failure failure = marks.Save(sources_.folder + "/" + file))
    warnLater("The " + std::string(what) + " could not be saved: " + failure.description);
  refresh();  // a refused mark unticks the button again
}

void HeardWindow::RecordNowBtn_Click() {
  if (!sources_.recordNow || !sources_.recordNow())
    warnLater("Recording is off: switch it on in Options > Recording...");
}

void HeardWindow::FolderBtn_Click() {
  if (!sources_.recordingsFolder) return;
  const std::string folder = sources_.recordingsFolder();
  std::error_code ignored;  // a folder that cannot be made is for the file manager to say
  std::filesystem::create_directories(folder, ignored);
  const QUrl link = QUrl::fromLocalFile(QString::fromLocal8Bit(folder.data(), static_cast<qsizetype>(folder.size())));
  sources_.desktop.openLink(link.toString(QUrl::FullyEncoded).toStdString());
}

void HeardWindow::PlayBtn_Click() {
  const HeardRow* row = selectedRow();
  if (!row || !sources_.play) return;
  const std::string why = sources_.play(model_->recordings(*row).lastFile);
  if (!why.empty()) warnLater(why);
  updateAlertButton();
}

void HeardWindow::playbackChanged(const std::string& error) {
  updateAlertButton();
  if (!error.empty()) warnLater("The call could not be played: " + error);
}

void HeardWindow::StopBtn_Click() {
  if (sources_.stopPlaying) sources_.stopPlaying();
  updateAlertButton();
}

// A message box runs an event loop of its own, in which this window (and the control
// whose signal is being handled) can be closed and deleted: handlers of a control's
// signals leave the box to the main loop.
void HeardWindow::warnLater(std::string text) {
  QMetaObject::invokeMethod(
      this, [this, text = std::move(text)] { sources_.desktop.warn("Heard - ScanDeck", text); }, Qt::QueuedConnection);
}

// From the table and the button: the offer to open the directory asks a question
// (an event loop), which must not run inside the table's own event handler.
void HeardWindow::requestName(const QModelIndex& view_index) {
  QMetaObject::invokeMethod(
      this, [this, row = QPersistentModelIndex(view_index)] { nameRow(row); }, Qt::QueuedConnection);
}

void HeardWindow::nameRow(const QModelIndex& view_index) {
  const HeardRow* row = view_index.isValid() ? model_->row(filter_->mapToSource(view_index).row()) : nullptr;
  if (!row) return;
  if (editor_) {
    editor_->raise();
    editor_->activateWindow();
    return;
  }
  const HeardKey key = row->key;
  const HeardEntry entry = LookUp(key, sources_.channels, sources_.talkgroups);
  const bool channel = key.kind == HeardKind::Channel;
  const std::string directory = channel ? "frequencies directory" : "ID directory";
  if (!entry.inDirectory) {
    // This window may be gone when the question returns: only the session's sources,
    // which outlive it, are used after it.
    HeardSources& sources = sources_;
    const std::string what = FromQt(Describe(key));
    if (entry.bank == 0) {
      sources.desktop.warn("Heard - ScanDeck", "The " + what + " is not in the " + directory +
                                                   ", and no trunk bank is known to store it in.");
    } else if (sources.desktop.askYesNo("Heard - ScanDeck", "The " + what + " is not in the " + directory +
                                                                 ". Open the " + directory + " at bank " +
                                                                 std::to_string(entry.bank) + "?")) {
      if (sources.openDirectory) sources.openDirectory(key.kind, entry.bank);
    }
    return;
  }
  const QString what = channel ? QString("Channel %1, %2").arg(entry.number).arg(ToQt(key.id)) : Describe(key);
  auto* editor = new HeardNameEditor(what, entry, this);
  editor->setAttribute(Qt::WA_DeleteOnClose);
  editor_ = editor;
  connect(editor, &QDialog::accepted, this, [this, editor, key] { saveName(key, editor->type(), editor->name()); });
  editor->open();
}

void HeardWindow::saveName(const HeardKey& key, const std::string& type, const std::string& name) {
  const Failure failure =
      NameHeardEntry(key, type, name, sources_.channels, sources_.freqFile, sources_.talkgroups, sources_.idFile);
  if (failure) {
    warnLater("The name was not saved: " + failure.description);
    return;
  }
  refresh();
  if (sources_.renamed) sources_.renamed();
}

bool HeardWindow::exportTo(const QString& path) {
  const Failure failure = WriteFileAtomically(FromQt(path), HeardCsv(list_, sources_.channels, sources_.talkgroups));
  if (failure) sources_.desktop.warn("Heard - ScanDeck", "The list was not exported: " + failure.description);
  return !failure;
}

HeardSession::HeardSession(const Clock& clock, HeardSources sources, AlertNotifier& notifier, QWidget* owner)
    : clock_(clock),
      sources_(std::move(sources)),
      notifier_(notifier),
      owner_(owner),
      list_(clock, QDateTime::currentMSecsSinceEpoch()) {
  marks_.Load(sources_.folder + "/" + kAlertFileName);
  record_marks_.Load(sources_.folder + "/" + kRecordMarksFileName);
  sources_.recordMarks = &record_marks_;
  list_.setAlertRule([this](const HeardKey& key) { return marks_.marked(key); });
}

HeardSession::~HeardSession() { delete window_; }

void HeardSession::tick() {
  for (const HeardAlert& alert : list_.takeAlerts()) {
    const HeardEntry entry = LookUp(alert.key, sources_.channels, sources_.talkgroups);
    const QString what = Describe(alert.key);
    const QString body = entry.name.empty() ? what : ToQt(entry.name) + " (" + what + ")";
    notifier_.notify("ScanDeck: active now", body);
    if (window_) window_->showAlert(body);
  }
  if (!window_) return;
  // Active times grow without events: once a second is enough for those.
  const auto now = clock_.now();
  if (list_.version() == shown_version_ && now - shown_at_ < std::chrono::seconds{1}) return;
  shown_version_ = list_.version();
  shown_at_ = now;
  window_->refresh();
}

HeardWindow& HeardSession::show() {
  if (!window_) window_ = new HeardWindow(list_, marks_, sources_, owner_);
  window_->show();
  window_->raise();
  window_->activateWindow();
  return *window_;
}

}  // namespace scandeck
