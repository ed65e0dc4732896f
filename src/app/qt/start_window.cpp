#include "app/qt/start_window.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/qt/click_label.h"
#include "common/qt/qt_text.h"
#include "ui/core/main_core.h"

namespace scandeck {

namespace {
QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}
}  // namespace

Start::Start(const SetupChoice& current, std::function<void(const SetupChoice&)> confirm, QWidget* parent)
    : QDialog(parent), confirm_(std::move(confirm)) {
  setObjectName("Start");
  setWindowTitle("ScanPad...");
  setModal(true);

  auto* nameFrame = new QGroupBox("Your name", this);
  UserNameBox = new QLineEdit(ToQt(current.user_name), nameFrame);
  UserNameBox->setObjectName("UserNameBox");
  UserNameBox->setAccessibleName("Your name");
  (new QVBoxLayout(nameFrame))->addWidget(UserNameBox);

  auto* messageFrame = new QGroupBox("Message !", this);
  Text1 = new QPlainTextEdit(messageFrame);
  Text1->setObjectName("Text1");
  Text1->setReadOnly(true);
  Text1->setPlainText(QString::fromLatin1(kSetupInstructions).replace("\r\n", "\n"));
  Text1->setAccessibleName("Message !, instructions");
  Text1->setMinimumHeight(fontMetrics().lineSpacing() * 7);
  (new QVBoxLayout(messageFrame))->addWidget(Text1);

  auto* configFrame = new QGroupBox("Your Configuration !", this);
  auto* configLayout = new QVBoxLayout(configFrame);
  Options = new QButtonGroup(this);
  Options->setObjectName("Options");
  options2 = new QButtonGroup(this);
  options2->setObjectName("options2");
  auto* portRow = new QHBoxLayout;
  auto* speedRow = new QHBoxLayout;
  for (int n = 1; n <= kSetupPorts; ++n) {
    auto* option = new QRadioButton(QString("Com %1").arg(n), configFrame);
    option->setObjectName(QString("Options%1").arg(n));
    option->setAccessibleName(QString("Com %1, scanner on serial port %1").arg(n));
    Options->addButton(option, n);
    portRow->addWidget(option);
  }
  const char* speeds[] = {"2400 Bds", "4800 Bds", "9600 Bds", "19200 Bds"};
  for (int k = 1; k <= 4; ++k) {
    auto* option = new QRadioButton(speeds[k - 1], configFrame);
    option->setObjectName(QString("options2%1").arg(k));
    option->setAccessibleName(QString("%1, scanner speed").arg(speeds[k - 1]));
    options2->addButton(option, k);
    speedRow->addWidget(option);
  }
  configLayout->addWidget(Caption("Comm Port of your scanner ?", Options->button(1), configFrame));
  configLayout->addLayout(portRow);
  configLayout->addWidget(Caption("Speed of the scanner ?", options2->button(1), configFrame));
  configLayout->addLayout(speedRow);

  OKlbl = new ClickLabel("OK", this);
  OKlbl->setObjectName("OKlbl");
  OKlbl->setAccessibleName("OK, save the configuration and end the program");
  CancelCmd = new ClickLabel("Cancel", this);
  CancelCmd->setObjectName("CancelCmd");
  CancelCmd->setAccessibleName("Cancel");
  for (auto* label : {OKlbl, CancelCmd}) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setMinimumSize(90, 26);
    label->setStyleSheet(
        "QLabel { border: 1px solid #909090; border-radius: 3px; background: #f4f4f4; padding: 2px 10px; }"
        "QLabel[focused=\"true\"] { border: 2px solid #3070d0; }");
  }
  connect(OKlbl, &ClickLabel::clicked, this, &Start::OKlbl_Click);
  connect(CancelCmd, &ClickLabel::clicked, this, &Start::CancelCmd_Click);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKlbl);
  buttons->addWidget(CancelCmd);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(nameFrame);
  layout->addWidget(messageFrame);
  layout->addWidget(configFrame);
  layout->addLayout(buttons);

  // Load: nothing is chosen unless the current settings name an offered option.
  if (current.port) Options->button(*current.port)->setChecked(true);
  if (current.speed) options2->button(*current.speed)->setChecked(true);
}

SetupChoice Start::choice() const {
  SetupChoice c;
  c.user_name = FromQt(UserNameBox->text());
  if (Options->checkedId() > 0) c.port = Options->checkedId();
  if (options2->checkedId() > 0) c.speed = options2->checkedId();
  return c;
}

void Start::OKlbl_Click() {
  if (confirm_) confirm_(choice());
}

void Start::CancelCmd_Click() { reject(); }

}  // namespace scandeck

namespace scandeck {

void RunSetupWindow(MainCore& core, QWidget* parent) {
  Start window(core.CurrentSetupChoice(), [&core](const SetupChoice& choice) { core.ConfirmSetup(choice); }, parent);
  window.exec();
}

}  // namespace scandeck
