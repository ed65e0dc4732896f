#include "directory/qt/freq_dir_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "common/core/desktop.h"
#include "common/qt/controls.h"
#include "common/qt/qt_text.h"
#include "directory/qt/directory_widgets.h"

namespace scandeck {

using namespace directory_ui;

FreqDir::FreqDir(ReadLink link, Desktop& desktop, FreqDirectory& dir, RecordFile& file, char decimal_separator,
                 QWidget* main_window)
    : DirectoryWindow(desktop, main_window, "FreqDir", "Freq. Directory - ScanDeck", "ChTimer"),
      reports_(desktop),
      dir_(link, reports_, dir, file, decimal_separator) {

  BankCmb = MakeBankList(this, "BankCmb", "Freq Bank");
  FreqList = MakeGrid(this, "FreqList", "Channels of the bank",
                      std::vector<int>(kFreqColumnTwips.begin(), kFreqColumnTwips.end()));
  SetHeader(FreqList, std::vector<std::string_view>(kFreqOpeningHeader.begin(), kFreqOpeningHeader.end()));

  const DirectoryControls shared = MakeDirectoryControls(this, kFreqWaitCaption);
  Option1 = shared.Option1;
  Option2 = shared.Option2;
  WriteFileChk = shared.WriteFileChk;
  WriteScannerChk = shared.WriteScannerChk;
  WaitLbl = shared.WaitLbl;
  OkCmd = shared.OkCmd;
  CancelCmd = shared.CancelCmd;

  auto* details = new QGroupBox("Selected Channel Details", this);
  ChBox = new SpokenBox(details);
  ChBox->setObjectName("ChBox");
  ChBox->setReadOnly(true);
  ChBox->setMaxLength(3);
  FreqBox = new SpokenBox(details);
  FreqBox->setObjectName("FreqBox");
  FreqBox->setReadOnly(true);
  FreqBox->setMaxLength(8);
  ComingSoon(FreqBox, "At this time you can't change Freq");
  TypeCmb = MakeTypeList(details);
  NameBox = new SpokenBox(details);
  NameBox->setObjectName("NameBox");
  NameBox->setMaxLength(40);
  SaveImg = MakePictureButton(details, "SaveImg", "Save channel", true);
  DeleteImg = MakePictureButton(details, "DeleteImg", "Delete channel", false);
  auto* grid = new QGridLayout(details);
  grid->addWidget(Caption("Channel :", ChBox, details), 0, 0);
  grid->addWidget(ChBox, 0, 1);
  grid->addWidget(Caption("Frequency :", FreqBox, details), 1, 0);
  grid->addWidget(FreqBox, 1, 1);
  grid->addWidget(Caption("Type :", TypeCmb, details), 2, 0);
  grid->addWidget(TypeCmb, 2, 1);
  grid->addWidget(Caption("Name :", NameBox, details), 3, 0);
  grid->addWidget(NameBox, 3, 1);
  auto* pictures_row = new QHBoxLayout;
  pictures_row->addStretch();
  pictures_row->addWidget(SaveImg);
  pictures_row->addWidget(DeleteImg);
  grid->addLayout(pictures_row, 4, 0, 1, 2);
  ChBox->setFixedWidth(ChBox->fontMetrics().horizontalAdvance("0000") + 12);
  FreqBox->setFixedWidth(FreqBox->fontMetrics().horizontalAdvance("000.00000") + 12);

  auto* top = new QHBoxLayout;
  top->addWidget(Caption("Freq Bank", BankCmb, this));
  top->addWidget(BankCmb);
  top->addSpacing(12);
  top->addWidget(WaitLbl);
  top->addStretch();
  batchUi_ = MakeBatchControls(this, "Read all banks");
  auto* side = new QVBoxLayout;
  side->addWidget(shared.from);
  side->addWidget(shared.to);
  side->addWidget(shared.note);
  side->addWidget(details);
  side->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(OkCmd);
  buttons->addWidget(CancelCmd);
  side->addLayout(buttons);
  auto* body = new QHBoxLayout;
  body->addWidget(FreqList, 1);
  body->addLayout(side);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(body, 1);
  layout->addLayout(batchUi_.row);

  int grid_width = FreqList->frameWidth() * 2 + 24;
  for (int c = 0; c < FreqList->columnCount(); ++c)
    if (!FreqList->isColumnHidden(c)) grid_width += FreqList->columnWidth(c);
  FreqList->setMinimumWidth(grid_width);
  resize(grid_width + 300, 600);

  connect(&readTimer_, &QTimer::timeout, this, &FreqDir::ChTimer_Timer);
  connect(BankCmb, &QComboBox::activated, this, [this] { BankCmb_Click(); });
  connect(BankCmb->lineEdit(), &QLineEdit::returnPressed, this, &FreqDir::BankCmb_Click);
  connect(FreqList, &QTableWidget::currentCellChanged, this, [this](int row) { FreqList_Select(row + 1); });
  connect(FreqList, &QTableWidget::cellClicked, this, [this] { NameBox->setFocus(); });
  connect(FreqList, &QTableWidget::activated, this, [this] { NameBox->setFocus(); });
  connect(NameBox, &QLineEdit::returnPressed, this, &FreqDir::SaveImg_Click);
  connect(SaveImg, &QToolButton::clicked, this, &FreqDir::SaveImg_Click);
  connect(DeleteImg, &QToolButton::clicked, this, &FreqDir::DeleteImg_Click);
  connect(OkCmd, &QPushButton::clicked, this, &FreqDir::OkCmd_Click);
  connect(CancelCmd, &QPushButton::clicked, this, &FreqDir::CancelCmd_Click);
  connect(batchUi_.ReadAllCmd, &QPushButton::clicked, this, &FreqDir::ReadAllCmd_Click);
  connect(batchUi_.CancelReadCmd, &QPushButton::clicked, this, &FreqDir::CancelReadCmd_Click);
  connect(Option1, &QRadioButton::toggled, this, [this](bool on) { dir_.fromScanner = on; });
  connect(WriteFileChk, &QCheckBox::toggled, this, [this](bool on) { dir_.writeFile = on; });
}

void FreqDir::showBank(int bank) {
  BankCmb->setCurrentIndex(BankCmb->findText(QString::number(bank)));
  BankCmb_Click();
}

void FreqDir::BankCmb_Click() {
  if (closing_ || batch_.running()) return;
  batch_.chosen();
  dir_.BankCmb_Click(FromQt(BankCmb->currentText()));
  StartReading(dir_.reading());
  render();
}

void FreqDir::ChTimer_Timer() {
  if (batch_.running()) batch_.tick();
  else dir_.ChTimer_Timer();
  if (!dir_.reading()) readTimer_.stop();
  render();
}

void FreqDir::FreqList_Select(int row) {
  dir_.FreqList_Select(row);
  const FreqPanel& p = dir_.panel();
  ChBox->setText(ToQt(p.ChBox));
  FreqBox->setText(ToQt(p.FreqBox));
  TypeCmb->setEditText(ToQt(p.TypeCmb));
  NameBox->setText(ToQt(p.NameBox));
}

void FreqDir::SaveImg_Click() {
  const int row = FreqList->currentRow();
  dir_.SaveImg_Click({FromQt(ChBox->text()), FromQt(FreqBox->text()), FromQt(TypeCmb->currentText()), FromQt(NameBox->text())});
  render();
  if (row >= 0) FreqList->setCurrentCell(row, 0);
}

void FreqDir::DeleteImg_Click() {
  const int row = FreqList->currentRow();
  dir_.DeleteImg_Click(FromQt(ChBox->text()));
  render();
  if (row >= 0) FreqList->setCurrentCell(row, 0);
}

void FreqDir::OkCmd_Click() {
  batch_.OkCmd_Click();
  close();
}

void FreqDir::ReadAllCmd_Click() {
  if (closing_) return;
  Option1->setChecked(true);
  batch_.start();
  StartReading(dir_.reading());
  render();
}

void FreqDir::CancelReadCmd_Click() {
  batch_.cancel();
  readTimer_.stop();
  render();
}

void FreqDir::render() {
  WaitLbl->setText(ToQt(dir_.waitText()));
  WaitLbl->setVisible(dir_.waitVisible());
  ShowBatch(batchUi_, batch_, dir_.reading());
  // A choice in the bank lists waits for the batch; the lists show the bank it reads
  // (disabled, an editable list would lose its name for a screen reader).
  if (batch_.running() && BankCmb->currentText() != QString::number(dir_.selectedBank())) {
    const QSignalBlocker quiet(BankCmb);
    BankCmb->setCurrentIndex(BankCmb->findText(QString::number(dir_.selectedBank())));
  }
  if (shown_version_ == dir_.gridVersion()) return;
  shown_version_ = dir_.gridVersion();
  SetHeader(FreqList, std::vector<std::string_view>(kFreqGridHeader.begin(), kFreqGridHeader.end()));
  FillGrid(FreqList, dir_.grid());
}

}  // namespace scandeck
