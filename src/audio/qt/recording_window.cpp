#include "audio/qt/recording_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

#include "common/qt/option_groups.h"
#include "common/qt/pictures.h"
#include "common/qt/qt_text.h"

namespace scandeck {

namespace {
constexpr int kRefreshMs = 250;
// The meter's scale: below -60 dBFS is the silent input.
constexpr int kMeterFloorDb = -60;
const QString kDefaultInput = "System default";

QString Plain(QString caption) { return caption.remove('&').remove(QRegularExpression(":$")); }

QSpinBox* Number(QFormLayout* form, const QString& caption, const char* name, long low, long high) {
  auto* box = new QSpinBox;
  box->setObjectName(name);
  box->setRange(static_cast<int>(low), static_cast<int>(high));
  box->setAccessibleName(Plain(caption));
  auto* label = new QLabel(caption);
  label->setBuddy(box);
  form->addRow(label, box);
  return box;
}

QRadioButton* Option(const QString& caption, const char* name, QWidget* parent) {
  auto* option = new QRadioButton(caption, parent);
  option->setObjectName(name);
  return option;
}

QString Db(double db) { return db <= kLevelFloorDb ? QString("silence") : QString::number(db, 'f', 1) + " dBFS"; }
}  // namespace

RecordingWindow::RecordingWindow(const RecordingSettings& settings, Callbacks callbacks, QWidget* parent)
    : QDialog(parent), settings_(settings), callbacks_(std::move(callbacks)) {
  setObjectName("Recording");
  setWindowTitle("Recording");
  setWindowIcon(QIcon(pictures::AppIcon(64)));

  RecordChk = new QCheckBox("&Record calls from the sound input", this);
  RecordChk->setObjectName("RecordChk");

  auto* inputGroup = new QGroupBox("Input", this);
  auto* inputForm = new QFormLayout(inputGroup);
  InputCmb = new QComboBox(inputGroup);
  InputCmb->setObjectName("InputCmb");
  InputCmb->setAccessibleName("Input");
  auto* inputLabel = new QLabel("&Input:");
  inputLabel->setBuddy(InputCmb);
  inputForm->addRow(inputLabel, InputCmb);
  // Peak and RMS apart: the peak says whether the gain clips, the RMS how loud
  // speech sits; each a bar for the eye and a text for the ear.
  const auto meter = [&](const QString& caption, const char* bar_name, const char* label_name, QProgressBar*& bar,
                         QLabel*& label) {
    bar = new QProgressBar(inputGroup);
    bar->setObjectName(bar_name);
    bar->setRange(kMeterFloorDb, 0);
    bar->setFormat("%v dBFS");
    bar->setAccessibleName(caption + " level in dBFS");
    label = new QLabel(inputGroup);
    label->setObjectName(label_name);
    label->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    inputForm->addRow(new QLabel(caption + ":"), bar);
    inputForm->addRow(label);
  };
  meter("Peak", "PeakBar", "PeakLbl", PeakBar, PeakLbl);
  meter("RMS", "RmsBar", "RmsLbl", RmsBar, RmsLbl);

  auto* whatGroup = new QGroupBox("What to record", this);
  auto* whatLayout = new QVBoxLayout(whatGroup);
  WhatAllOpt = Option("&All calls", "WhatAllOpt", whatGroup);
  WhatMarkedOpt = Option("Only channels and talkgroups &marked \"Record\" in the Heard list", "WhatMarkedOpt", whatGroup);
  WhatUnnamedOpt = Option("Only what the directories hold no name for (&unnamed)", "WhatUnnamedOpt", whatGroup);
  WhatOffOpt = Option("Nothing but \"Record call now\" (o&ff)", "WhatOffOpt", whatGroup);
  auto* what = new QButtonGroup(this);
  for (QRadioButton* option : {WhatAllOpt, WhatMarkedOpt, WhatUnnamedOpt, WhatOffOpt}) {
    what->addButton(option);
    whatLayout->addWidget(option);
  }
  TabLandsOnChosen({WhatAllOpt, WhatMarkedOpt, WhatUnnamedOpt, WhatOffOpt});

  auto* filesGroup = new QGroupBox("Files", this);
  auto* filesForm = new QFormLayout(filesGroup);
  FormatCmb = new QComboBox(filesGroup);
  FormatCmb->setObjectName("FormatCmb");
  FormatCmb->setAccessibleName("File type");
  FormatCmb->addItem("Opus (small, 24 kb/s)", static_cast<int>(RecordFormat::Opus));
  FormatCmb->addItem("WAV (uncompressed)", static_cast<int>(RecordFormat::Wav));
  auto* formatLabel = new QLabel("File &type:");
  formatLabel->setBuddy(FormatCmb);
  filesForm->addRow(formatLabel, FormatCmb);
  FolderBox = new QLineEdit(filesGroup);
  FolderBox->setObjectName("FolderBox");
  FolderBox->setAccessibleName("Folder, relative to the working folder unless absolute");
  BrowseCmd = new QPushButton("&Browse...", filesGroup);
  BrowseCmd->setObjectName("BrowseCmd");
  BrowseCmd->setAccessibleName("Browse... for the recordings folder");
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(FolderBox, 1);
  folderRow->addWidget(BrowseCmd);
  auto* folderLabel = new QLabel("F&older:");
  folderLabel->setBuddy(FolderBox);
  filesForm->addRow(folderLabel, folderRow);
  PrerollBox = Number(filesForm, "&Pre-roll (ms):", "PrerollBox", 0, kMaxPrerollMs);
  HangBox = Number(filesForm, "&Hang time (ms):", "HangBox", 0, kMaxHangMs);
  MinBox = Number(filesForm, "Mi&nimum call (ms):", "MinBox", 0, kMaxMinMs);
  MaxBox = Number(filesForm, "&Split calls after (minutes):", "MaxBox", 1, kMaxSplitMinutes);
  QuotaBox = Number(filesForm, "Total si&ze (MB, 0 = no bound):", "QuotaBox", 0, kMaxRecordingMegabytes);
  KeepBox = Number(filesForm, "&Keep for (days, 0 = always):", "KeepBox", 0, kMaxKeepDays);
  MinFreeBox = Number(filesForm, "Minimum fr&ee space (MB):", "MinFreeBox", 0, kMaxRecordingMegabytes);

  StatusLbl = new QLabel(this);
  StatusLbl->setObjectName("StatusLbl");
  StatusLbl->setWordWrap(true);
  StatusLbl->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  OkCmd = new QPushButton("OK", this);
  OkCmd->setObjectName("OkCmd");
  OkCmd->setAccessibleName("OK, save these settings and use them now");
  OkCmd->setDefault(true);
  CancelCmd = new QPushButton("Cancel", this);
  CancelCmd->setObjectName("CancelCmd");
  connect(OkCmd, &QPushButton::clicked, this, &RecordingWindow::OkCmd_Click);
  connect(CancelCmd, &QPushButton::clicked, this, &QDialog::reject);
  // The file dialog runs after the press returns, so an assistive tool that pressed
  // the button through the bus is not kept waiting.
  connect(BrowseCmd, &QPushButton::clicked, this, &RecordingWindow::BrowseCmd_Click, Qt::QueuedConnection);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(RecordChk);
  for (QWidget* group : {static_cast<QWidget*>(inputGroup), static_cast<QWidget*>(whatGroup),
                         static_cast<QWidget*>(filesGroup)})
    layout->addWidget(group);
  layout->addWidget(StatusLbl);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkCmd);
  buttons->addWidget(CancelCmd);
  layout->addLayout(buttons);
  setMinimumWidth(520);

  refresh_ = new QTimer(this);
  refresh_->setInterval(kRefreshMs);
  connect(refresh_, &QTimer::timeout, this, &RecordingWindow::refresh);
}

RecordingSettings RecordingWindow::form() const {
  RecordingSettings s = settings_;
  s.record = RecordChk->isChecked();
  s.input = InputCmb->currentIndex() <= 0 ? std::string() : FromQt(InputCmb->currentText());
  s.what = WhatMarkedOpt->isChecked()    ? RecordWhat::Marked
           : WhatUnnamedOpt->isChecked() ? RecordWhat::Unnamed
           : WhatOffOpt->isChecked()     ? RecordWhat::Off
                                         : RecordWhat::All;
  s.format = static_cast<RecordFormat>(FormatCmb->currentData().toInt());
  const QString folder = FolderBox->text().trimmed();
  if (!folder.isEmpty()) s.folder = FromQt(folder);
  s.prerollMs = PrerollBox->value();
  s.hangMs = HangBox->value();
  s.minMs = MinBox->value();
  s.maxMinutes = MaxBox->value();
  s.quotaMb = QuotaBox->value();
  s.keepDays = KeepBox->value();
  s.minFreeMb = MinFreeBox->value();
  return s;
}

void RecordingWindow::ShowRecording() {
  const RecordingSettings& s = settings_;
  RecordChk->setChecked(s.record);
  InputCmb->clear();
  InputCmb->addItem(kDefaultInput);
  if (callbacks_.inputs) InputCmb->addItems(callbacks_.inputs());
  if (!s.input.empty()) {
    // An input not plugged in now stays chosen: it is used when it comes back.
    const QString input = ToQt(s.input);
    if (InputCmb->findText(input, Qt::MatchExactly) < 0) InputCmb->addItem(input);
    InputCmb->setCurrentIndex(InputCmb->findText(input, Qt::MatchExactly));
  }
  QRadioButton* chosen = s.what == RecordWhat::Marked    ? WhatMarkedOpt
                         : s.what == RecordWhat::Unnamed ? WhatUnnamedOpt
                         : s.what == RecordWhat::Off     ? WhatOffOpt
                                                         : WhatAllOpt;
  chosen->setChecked(true);
  FormatCmb->setCurrentIndex(FormatCmb->findData(static_cast<int>(s.format)));
  FolderBox->setText(ToQt(s.folder));
  PrerollBox->setValue(s.prerollMs);
  HangBox->setValue(s.hangMs);
  MinBox->setValue(s.minMs);
  MaxBox->setValue(s.maxMinutes);
  QuotaBox->setValue(static_cast<int>(s.quotaMb));
  KeepBox->setValue(static_cast<int>(s.keepDays));
  MinFreeBox->setValue(static_cast<int>(s.minFreeMb));
  apply_error_.clear();
  refresh();
  refresh_->start();
  show();
  raise();
  activateWindow();
}

void RecordingWindow::OkCmd_Click() {
  apply_error_ = callbacks_.apply ? callbacks_.apply(form()) : QString();
  if (apply_error_.isEmpty()) {
    accept();
    return;
  }
  refresh();
}

void RecordingWindow::BrowseCmd_Click() {
  const QString folder = QFileDialog::getExistingDirectory(this, "Recordings folder", FolderBox->text());
  if (!folder.isEmpty()) FolderBox->setText(folder);
}

void RecordingWindow::refresh() {
  const std::optional<Level> level = callbacks_.level ? callbacks_.level() : std::nullopt;
  const auto show = [&](const QString& caption, std::optional<double> db, QProgressBar* bar, QLabel* label) {
    const QString text = caption + ": " + (db ? Db(*db) : QString("No input open"));
    if (label->text() != text) {
      label->setText(text);
      label->setAccessibleName(text);
    }
    bar->setValue(db ? static_cast<int>(std::lround(std::max(*db, double{kMeterFloorDb}))) : kMeterFloorDb);
    bar->setAccessibleDescription(text);
  };
  show("Peak", level ? std::optional(level->peakDb) : std::nullopt, PeakBar, PeakLbl);
  show("RMS", level ? std::optional(level->rmsDb) : std::nullopt, RmsBar, RmsLbl);
  QString status = callbacks_.status ? callbacks_.status() : QString();
  if (!apply_error_.isEmpty()) status = "Not saved: " + apply_error_ + " | " + status;
  if (StatusLbl->text() != status) {
    StatusLbl->setText(status);
    StatusLbl->setAccessibleName("Status: " + status);
  }
}

}  // namespace scandeck
