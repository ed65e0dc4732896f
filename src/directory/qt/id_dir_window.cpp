#include "directory/qt/id_dir_window.h"

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

namespace {
constexpr int kNameBoxLength = 41;
}

IDdir::IDdir(ReadLink link, Desktop& desktop, const Clock& clock, IdDirectory& dir, RecordFile& file,
             QWidget* main_window)
    : DirectoryWindow(desktop, main_window, "IDdir", "ID Directory", "IDTimer"),
      reports_(desktop),
      dir_(link, reports_, clock, dir, file) {
  content_ = new QWidget(this);

  BankCmb = MakeBankList(content_, "BankCmb", "Freq Bank");
  IDBankCmb = MakeBankList(content_, "IDBankCmb", "ID Bank");
  std::vector<int> widths(kIdColumnTwips.begin(), kIdColumnTwips.end());
  widths.push_back(-1);
  IDList = MakeGrid(content_, "IDList", "IDs of the ID bank", widths);
  SetHeader(IDList, std::vector<std::string_view>(kIdGridHeader.begin(), kIdGridHeader.end()));

  const DirectoryControls shared = MakeDirectoryControls(content_, kIdWaitCaption);
  Option1 = shared.Option1;
  Option2 = shared.Option2;
  WriteFileChk = shared.WriteFileChk;
  WriteScannerChk = shared.WriteScannerChk;
  WaitLbl = shared.WaitLbl;
  OkCmd = shared.OkCmd;
  CancelCmd = shared.CancelCmd;

  auto* details = new QGroupBox("Selected ID Details", content_);
  ChBox = new SpokenBox(details);
  ChBox->setObjectName("ChBox");
  ChBox->setReadOnly(true);
  ChBox->setMaxLength(5);
  IDBox = new SpokenBox(details);
  IDBox->setObjectName("IDBox");
  IDBox->setReadOnly(true);
  IDBox->setMaxLength(8);
  ComingSoon(IDBox, "At this time you can't change ID!");
  TypeCmb = MakeTypeList(details);
  NameBox = new QPlainTextEdit(details);
  NameBox->setObjectName("NameBox");
  NameBox->setTabChangesFocus(true);
  NameBox->setFixedHeight(NameBox->fontMetrics().lineSpacing() * 2 + 12);
  SaveImg = MakePictureButton(details, "SaveImg", "Save ID", true);
  DeleteImg = MakePictureButton(details, "DeleteImg", "Delete ID", false);
  auto* grid = new QGridLayout(details);
  grid->addWidget(Caption("Channel :", ChBox, details), 0, 0);
  grid->addWidget(ChBox, 0, 1);
  grid->addWidget(Caption("ID :", IDBox, details), 1, 0);
  grid->addWidget(IDBox, 1, 1);
  grid->addWidget(Caption("Type :", TypeCmb, details), 2, 0);
  grid->addWidget(TypeCmb, 2, 1);
  grid->addWidget(Caption("Name :", NameBox, details), 3, 0, Qt::AlignTop);
  grid->addWidget(NameBox, 3, 1);
  auto* pictures_row = new QHBoxLayout;
  pictures_row->addStretch();
  pictures_row->addWidget(SaveImg);
  pictures_row->addWidget(DeleteImg);
  grid->addLayout(pictures_row, 4, 0, 1, 2);
  ChBox->setFixedWidth(ChBox->fontMetrics().horizontalAdvance("000000") + 12);
  IDBox->setFixedWidth(IDBox->fontMetrics().horizontalAdvance("000000000") + 12);

  TypeLbl = new QLabel("Type : ", content_);
  TypeLbl->setObjectName("TypeLbl");
  SystemLbl = new QLabel(content_);
  SystemLbl->setObjectName("SystemLbl");
  SystemLbl->setAccessibleName("Trunked system: none");
  auto* top = new QHBoxLayout;
  top->addWidget(Caption("Freq Bank", BankCmb, content_));
  top->addWidget(BankCmb);
  top->addSpacing(12);
  top->addWidget(Caption("ID Bank", IDBankCmb, content_));
  top->addWidget(IDBankCmb);
  top->addSpacing(12);
  top->addWidget(TypeLbl);
  top->addWidget(SystemLbl);
  top->addWidget(WaitLbl);
  top->addStretch();
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
  body->addWidget(IDList, 1);
  body->addLayout(side);
  auto* inner = new QVBoxLayout(content_);
  inner->setContentsMargins(0, 0, 0, 0);
  inner->addLayout(top);
  inner->addLayout(body, 1);
  // Outside the content, which no input reaches during a bank's pause: the
  // batch's own Cancel stays usable through the whole batch.
  batchUi_ = MakeBatchControls(this, "Read the whole trunk bank");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(content_);
  layout->addLayout(batchUi_.row);

  int grid_width = IDList->frameWidth() * 2 + 24;
  for (int c = 0; c < IDList->columnCount(); ++c) grid_width += IDList->columnWidth(c);
  IDList->setMinimumWidth(grid_width);
  resize(grid_width + 300, 520);

  connect(&readTimer_, &QTimer::timeout, this, &IDdir::IDTimer_Timer);
  connect(BankCmb, &QComboBox::activated, this, [this] { BankCmb_Click(); });
  connect(IDBankCmb, &QComboBox::activated, this, [this] { IDBankCmb_Click(); });
  connect(IDBankCmb->lineEdit(), &QLineEdit::returnPressed, this, &IDdir::IDBankCmb_Click);
  connect(TypeCmb, &QComboBox::activated, this, [this] { TypeCmb_Click(); });
  connect(IDList, &QTableWidget::currentCellChanged, this, [this](int row) { IDList_Select(row + 1); });
  connect(IDList, &QTableWidget::cellClicked, this, [this] { NameBox->setFocus(); });
  connect(IDList, &QTableWidget::activated, this, [this] { NameBox->setFocus(); });
  connect(NameBox, &QPlainTextEdit::textChanged, this, &IDdir::NameBox_Change);
  connect(SaveImg, &QToolButton::clicked, this, &IDdir::SaveImg_Click);
  connect(DeleteImg, &QToolButton::clicked, this, &IDdir::DeleteImg_Click);
  connect(OkCmd, &QPushButton::clicked, this, &IDdir::OkCmd_Click);
  connect(CancelCmd, &QPushButton::clicked, this, &IDdir::CancelCmd_Click);
  connect(batchUi_.ReadAllCmd, &QPushButton::clicked, this, &IDdir::ReadAllCmd_Click);
  connect(batchUi_.CancelReadCmd, &QPushButton::clicked, this, &IDdir::CancelReadCmd_Click);
  connect(Option1, &QRadioButton::toggled, this, [this](bool on) { dir_.fromScanner = on; });
}

void IDdir::syncLists() {
  dir_.BankText = FromQt(BankCmb->currentText());
  dir_.IDBankText = FromQt(IDBankCmb->currentText());
}

IdPanel IDdir::typedPanel() const {
  return {FromQt(ChBox->text()), FromQt(IDBox->text()), FromQt(TypeCmb->currentText()), FromQt(NameBox->toPlainText())};
}

void IDdir::showBank(int bank) {
  BankCmb->setCurrentIndex(BankCmb->findText(QString::number(bank)));
  BankCmb_Click();
}

void IDdir::IDBankCmb_Click() {
  if (closing_ || batch_.running()) return;
  batch_.chosen();
  syncLists();
  dir_.IDBankCmb_Click();
  StartReading(dir_.reading());
  render();
}

void IDdir::IDTimer_Timer() {
  if (batch_.running()) batch_.tick();
  else dir_.IDTimer_Timer();
  if (!dir_.reading()) {
    readTimer_.stop();
  } else if (dir_.phase() == IdDirCore::Phase::Pause) {
    // The pause waits its exact time; the window keeps painting meanwhile.
    readTimer_.start(std::max<int>(1, static_cast<int>(dir_.pauseLeft().count())));
  } else {
    readTimer_.setInterval(kReadTickMs);
  }
  render();
}

void IDdir::IDList_Select(int row) {
  syncLists();
  dir_.IDList_Select(row);
  const IdPanel& p = dir_.panel();
  ChBox->setText(ToQt(p.ChBox));
  IDBox->setText(ToQt(p.IDBox));
  TypeCmb->setEditText(ToQt(p.TypeCmb));
  changing_name_ = true;
  NameBox->setPlainText(ToQt(p.NameBox));
  changing_name_ = false;
}

void IDdir::NameBox_Change() {
  if (changing_name_) return;
  QString text = NameBox->toPlainText();
  if (text.size() > kNameBoxLength + 1) {
    changing_name_ = true;
    NameBox->setPlainText(text.left(kNameBoxLength + (text.contains('\n') ? 1 : 0)));
    NameBox->moveCursor(QTextCursor::End);
    changing_name_ = false;
  }
  syncLists();
  const int row = IDList->currentRow();
  if (auto replaced = dir_.NameBox_Change(typedPanel())) {
    changing_name_ = true;
    NameBox->setPlainText(ToQt(*replaced));
    NameBox->moveCursor(QTextCursor::End);
    changing_name_ = false;
    render();
    if (row >= 0) {
      const QSignalBlocker quiet(IDList);
      IDList->setCurrentCell(row, 0);
    }
  }
}

void IDdir::SaveImg_Click() {
  syncLists();
  const int row = IDList->currentRow();
  dir_.SaveImg_Click(typedPanel());
  render();
  if (row >= 0) {
    const QSignalBlocker quiet(IDList);
    IDList->setCurrentCell(row, 0);
  }
}

void IDdir::DeleteImg_Click() {
  syncLists();
  const int row = IDList->currentRow();
  dir_.DeleteImg_Click();
  render();
  if (row >= 0) IDList->setCurrentCell(row, 0);
}

void IDdir::OkCmd_Click() {
  if (!batch_.running()) syncLists();
  batch_.OkCmd_Click();
  close();
}

void IDdir::ReadAllCmd_Click() {
  if (closing_) return;
  syncLists();
  Option1->setChecked(true);
  batch_.start();
  StartReading(dir_.reading());
  render();
}

void IDdir::CancelReadCmd_Click() {
  batch_.cancel();
  readTimer_.stop();
  render();
}

void IDdir::render() {
  WaitLbl->setText(ToQt(dir_.waitText()));
  WaitLbl->setVisible(dir_.waitVisible());
  TypeLbl->setVisible(dir_.systemVisible());
  SystemLbl->setVisible(dir_.systemVisible());
  SystemLbl->setText(ToQt(dir_.systemText()));
  SystemLbl->setAccessibleName("Trunked system: " + (dir_.systemText().empty() ? QString("none") : ToQt(dir_.systemText())));
  // No input reaches the window while the read waits for the scanner's replies.
  content_->setEnabled(!dir_.inputBlocked());
  ShowBatch(batchUi_, batch_, dir_.reading());
  // A choice in the bank lists waits for the batch; the lists show the bank it reads
  // (disabled, an editable list would lose its name for a screen reader).
  if (batch_.running() && IDBankCmb->currentText() != ToQt(dir_.IDBankText)) {
    const QSignalBlocker quiet(IDBankCmb);
    IDBankCmb->setCurrentIndex(IDBankCmb->findText(ToQt(dir_.IDBankText)));
  }
  if (shown_version_ == dir_.gridVersion()) return;
  shown_version_ = dir_.gridVersion();
  FillGrid(IDList, dir_.grid());
}

}  // namespace scandeck
