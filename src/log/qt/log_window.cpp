#include "log/qt/log_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

#include "common/qt/click_label.h"
#include "common/qt/controls.h"
#include "common/qt/option_groups.h"
#include "common/qt/pictures.h"
#include "common/qt/qt_text.h"
#include "log/core/activity_log.h"

namespace scandeck {

Log::Log(const LogSettings& settings, std::function<void(const LogSetupForm&)> confirm, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), confirm_(std::move(confirm)) {
  setObjectName("Log");
  setWindowTitle("General Log Setup");
  setWindowIcon(QIcon(pictures::AppIcon(64)));
  setFont(CaptionFont(9));

  auto* enableGroup = new QGroupBox(this);
  LogEnableChk = new QCheckBox("LOG ENABLE", enableGroup);
  (new QVBoxLayout(enableGroup))->addWidget(LogEnableChk);

  auto* dataGroup = new QGroupBox("Data to log", this);
  auto* dataLayout = new QVBoxLayout(dataGroup);
  auto check = [&](QCheckBox*& box, const char* name, const char* caption) {
    box = new QCheckBox(caption, dataGroup);
    box->setObjectName(name);
    dataLayout->addWidget(box);
  };
  LogEnableChk->setObjectName("LogEnableChk");
  check(DateChk, "DateChk", "Date   (YYYYmmmDD)");
  check(TimeChk, "TimeChk", "Time   (HH:MM:SS)");
  check(FrequencyChk, "FrequencyChk", "Frequency   (000,0000 MHz)");
  check(FreqTypeChk, "FreqTypeChk", "Freq Type   (AMB, FDP, POL)");
  check(FreqNameChk, "FreqNameChk", "Freq Name   (Alpha Tag)");
  check(IDChk, "IDChk", "ID   (04-023 or  405-12)");
  check(IDTypeChk, "IDTypeChk", "ID Type   (AMB, FDP, POL)");
  check(IDNameChk, "IDNameChk", "ID Name   (Alpha Tag)");
  checks_ = {LogEnableChk, DateChk, TimeChk, FrequencyChk, FreqTypeChk, FreqNameChk, IDChk, IDTypeChk, IDNameChk};

  auto* fileGroup = new QGroupBox("File Name", this);
  auto* fileLayout = new QVBoxLayout(fileGroup);
  Option2 = new QRadioButton("Automatic Log Name   (YYYYmmmDD.log)", fileGroup);
  Option2->setObjectName("Option2");
  Option1 = new QRadioButton("Specific Name :", fileGroup);
  Option1->setObjectName("Option1");
  auto* options = new QButtonGroup(this);
  options->addButton(Option1);
  options->addButton(Option2);
  TabLandsOnChosen(options->buttons());
  FileNameBox = new QLineEdit(fileGroup);
  FileNameBox->setObjectName("FileNameBox");
  FileNameBox->setAccessibleName("Specific Name :, the log file's name");
  fileLayout->addWidget(Option2);
  auto* specific = new QHBoxLayout;
  specific->addWidget(Option1);
  specific->addWidget(FileNameBox, 1);
  fileLayout->addLayout(specific);

  OkCmd = CommandLabel("OK", "OkCmd", "OK, keep these log settings", this);
  CancelCmd = CommandLabel("Cancel", "CancelCmd", "Cancel", this);
  connect(OkCmd, &ClickLabel::clicked, this, &Log::OkCmd_Click);
  connect(CancelCmd, &ClickLabel::clicked, this, &Log::CancelCmd_Click);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(enableGroup);
  layout->addWidget(dataGroup);
  layout->addWidget(fileGroup);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkCmd);
  buttons->addWidget(CancelCmd);
  layout->addLayout(buttons);
}

LogSetupForm Log::form() const {
  LogSetupForm f;
  f.automatic = Option2->isChecked();
  f.FileNameBox = FromQt(FileNameBox->text());
  for (std::size_t i = 0; i < checks_.size(); ++i) f.checks[i] = checks_[i]->isChecked();
  return f;
}

void Log::SetupLog() {
  show();
  const QDate today = QDate::currentDate();
  LogSetupForm f = form();
  FillLogSetup(settings_, AutomaticLogName(today.year(), today.month(), today.day()), f);
  Option2->setChecked(f.automatic);
  Option1->setChecked(!f.automatic);
  FileNameBox->setText(ToQt(f.FileNameBox));
  for (std::size_t i = 0; i < checks_.size(); ++i) checks_[i]->setChecked(f.checks[i]);
  raise();
  activateWindow();
}

void Log::OkCmd_Click() {
  if (confirm_) confirm_(form());
  close();
}

}  // namespace scandeck
