#include "print/qt/print_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QTime>
#include <QVBoxLayout>

#include "common/core/desktop.h"
#include "common/qt/click_label.h"
#include "common/qt/controls.h"
#include "common/qt/option_groups.h"
#include "common/qt/pictures.h"
#include "common/qt/qt_text.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "print/qt/printers.h"

namespace scandeck {

namespace {

// The window's decoration: a printer with a listed page coming out of it.
QPixmap PrinterPicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double u = size / 16.0;
  p.setPen(QPen(QColor(60, 60, 60), u * 0.4));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4 * u, 1 * u, 8 * u, 9 * u));
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(5 * u, (3 + 1.5 * i) * u), QPointF(11 * u, (3 + 1.5 * i) * u));
  p.setBrush(QColor(90, 110, 150));
  p.drawRoundedRect(QRectF(1 * u, 7 * u, 14 * u, 6 * u), u, u);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4 * u, 11 * u, 8 * u, 4 * u));
  p.setBrush(QColor(120, 220, 120));
  p.drawEllipse(QPointF(13 * u, 9 * u), 0.7 * u, 0.7 * u);
  return pixmap;
}

QComboBox* BankList(const char* name, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setEditable(true);
  for (int b = 1; b <= 10; ++b) list->addItem(QString::number(b));
  list->setCurrentIndex(-1);
  list->setEditText({});
  return list;
}

QLabel* Buddy(const QString& caption, QWidget* control, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setBuddy(control);
  return label;
}

// An editable list's text field is what a screen reader lands on; it carries the
// list's caption.
void NameEditor(QComboBox* list, const QString& caption) {
  list->setAccessibleName(caption);
  list->lineEdit()->setObjectName(list->objectName() + "Text");
  list->lineEdit()->setAccessibleName(caption);
}

}  // namespace

PrintFrm::PrintFrm(const FreqDirectory& freq, const IdDirectory& ids, const std::string& user_name, Desktop& desktop,
                   Printers& printers, QWidget* parent)
    : QWidget(parent, Qt::Window),
      freq_(freq),
      ids_(ids),
      user_name_(user_name),
      desktop_(desktop),
      printers_(printers) {
  setObjectName("PrintFrm");
  setWindowTitle("ScanDeck - Print List...");
  setWindowIcon(QIcon(pictures::AppIcon(64)));
  setFont(CaptionFont(9));

  auto* picture = new QLabel(this);
  picture->setPixmap(PrinterPicture(64));
  picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  auto* data = new QGroupBox("Data", this);
  FreqOption = new QRadioButton("Freq", data);
  FreqOption->setObjectName("FreqOption");
  FreqOption->setChecked(true);
  IDOption = new QRadioButton("IDs", data);
  IDOption->setObjectName("IDOption");
  TabLandsOnChosen({FreqOption, IDOption});
  FreqBankCmb = BankList("FreqBankCmb", data);
  IDBankCmb = BankList("IDBankCmb", data);
  InfoLbl = new QLabel(data);
  InfoLbl->setObjectName("InfoLbl");
  InfoLbl->setFont(CaptionFont(9, true));
  InfoLbl->setProperty("what", "What will be printed");
  NameEditor(FreqBankCmb, "Freq Bank");
  NameEditor(IDBankCmb, "ID Bank");
  auto* dataGrid = new QGridLayout(data);
  dataGrid->addWidget(FreqOption, 0, 0);
  dataGrid->addWidget(IDOption, 1, 0);
  dataGrid->addWidget(Buddy("Freq Bank", FreqBankCmb, data), 0, 1);
  dataGrid->addWidget(FreqBankCmb, 0, 2);
  dataGrid->addWidget(Buddy("ID Bank", IDBankCmb, data), 1, 1);
  dataGrid->addWidget(IDBankCmb, 1, 2);
  dataGrid->addWidget(InfoLbl, 2, 0, 1, 3);

  auto* printer = new QGroupBox("Printer", this);
  CmbImprimante = new QComboBox(printer);
  CmbImprimante->setObjectName("CmbImprimante");
  CmbImprimante->setEditable(true);
  CmbImprimante->setMinimumContentsLength(24);
  NameEditor(CmbImprimante, "Printer");
  NbDeCopieBox = new QLineEdit("1", printer);
  NbDeCopieBox->setObjectName("NbDeCopieBox");
  NbDeCopieBox->setMaximumWidth(48);
  VScrollCopie = new QScrollBar(Qt::Vertical, printer);
  VScrollCopie->setObjectName("VScrollCopie");
  VScrollCopie->setRange(kMinCopies, kMaxCopies);
  VScrollCopie->setValue(1);
  // The upper arrow (and the Up key) adds a copy.
  VScrollCopie->setInvertedAppearance(true);
  VScrollCopie->setInvertedControls(false);  // a scroll bar's default turns the Up key around
  VScrollCopie->setFixedHeight(NbDeCopieBox->sizeHint().height() + 8);
  VScrollCopie->setAccessibleName("How many copy");
  auto* printerGrid = new QGridLayout(printer);
  printerGrid->addWidget(CmbImprimante, 0, 0, 1, 4);
  printerGrid->addWidget(Buddy("How many copy :", NbDeCopieBox, printer), 1, 0);
  printerGrid->addWidget(NbDeCopieBox, 1, 1);
  printerGrid->addWidget(VScrollCopie, 1, 2);
  printerGrid->setColumnStretch(3, 1);

  PrintCmd = CommandLabel("Print", "PrintCmd", "Print", this);
  CancelCmd = CommandLabel("Cancel", "CancelCmd", "Cancel", this);
  for (ClickLabel* c : {PrintCmd, CancelCmd}) c->setAlignment(Qt::AlignCenter);

  auto* right = new QVBoxLayout;
  right->addWidget(data);
  right->addWidget(printer);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(PrintCmd);
  buttons->addWidget(CancelCmd);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture);
  layout->addLayout(right);

  connect(FreqOption, &QRadioButton::clicked, this, &PrintFrm::FreqOption_Click);
  connect(IDOption, &QRadioButton::clicked, this, &PrintFrm::IDOption_Click);
  connect(NbDeCopieBox, &QLineEdit::textChanged, this, &PrintFrm::NbDeCopieBox_Change);
  connect(VScrollCopie, &QScrollBar::valueChanged, this, &PrintFrm::VScrollCopie_Change);
  connect(PrintCmd, &ClickLabel::clicked, this, &PrintFrm::PrintCmd_Click);
  connect(CancelCmd, &ClickLabel::clicked, this, &PrintFrm::CancelCmd_Click);

  // Loading: the current printer's name, then every installed printer in turn.
  form_.Form_Load(printers_.installed(), printers_.current());
  for (const std::string& name : form_.printerItems()) CmbImprimante->addItem(ToQt(name));
  CmbImprimante->setEditText(ToQt(form_.printerText()));
  askPdfFile = [this] {
    return QFileDialog::getSaveFileName(this, "Print to a PDF file", "scandeck-list.pdf", "PDF files (*.pdf)");
  };
  render();
}

void PrintFrm::render() {
  IDBankCmb->setEnabled(form_.idBankEnabled());
  InfoLbl->setText(form_.infoText());
  InfoLbl->setAccessibleName(QString("What will be printed: ") + form_.infoText());
}

void PrintFrm::FreqOption_Click() {
  form_.FreqOption_Click();
  IDBankCmb->setEditText({});
  render();
}

void PrintFrm::IDOption_Click() {
  form_.IDOption_Click();
  render();
  IDBankCmb->setFocus();
}

void PrintFrm::NbDeCopieBox_Change() {
  if (const auto value = ScrollForCopiesText(FromQt(NbDeCopieBox->text()))) VScrollCopie->setValue(*value);
}

void PrintFrm::VScrollCopie_Change() {
  const QString text = QString::number(VScrollCopie->value());
  // Rewriting the same text would move the cursor under the user's typing.
  if (NbDeCopieBox->text() != text) NbDeCopieBox->setText(text);
}

void PrintFrm::PrintCmd_Click() {
  const std::vector<PrinterInfo> installed = printers_.installed();
  const auto plan = form_.PrintCmd_Click(FromQt(FreqBankCmb->currentText()), FromQt(IDBankCmb->currentText()),
                                         FromQt(CmbImprimante->currentText()), FromQt(NbDeCopieBox->text()),
                                         installed, desktop_);
  if (!plan) return;
  QString pdf_file;
  if (plan->printer == kPdfFileEntry) {
    pdf_file = askPdfFile();
    if (pdf_file.isEmpty()) return;
  }
  const QLocale locale;
  const PageHeader header{FromQt(locale.toString(QDate::currentDate(), QLocale::ShortFormat)),
                          FromQt(locale.toString(QTime::currentTime(), QLocale::ShortFormat)), user_name_};
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const QString failure = printers_.print(plan->printer, pdf_file, plan->copies, [&](PageMetrics& metrics) {
    return PlanPage(*plan, freq_, ids_, header, metrics);
  });
  QApplication::restoreOverrideCursor();
  if (!failure.isEmpty())
    desktop_.warn("ScanDeck - Print List...",
                  "Printing on \"" + plan->printer + "\" failed: " + FromQt(failure) + ".");
}

}  // namespace scandeck
