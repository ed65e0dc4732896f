#include "app/qt/start_window.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/qt/click_label.h"
#include "common/qt/option_groups.h"
#include "common/qt/qt_text.h"

namespace scandeck {

namespace {
QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}
}  // namespace

Start::Start(const SetupChoice& current, const SetupPorts& ports, std::function<void(const SetupChoice&)> confirm,
             QWidget* parent)
    : QDialog(parent), confirm_(std::move(confirm)), offered_(ports.offered) {
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

  auto* devicesFrame = new QGroupBox("Serial devices", this);
  auto* devicesLayout = new QVBoxLayout(devicesFrame);
  for (int n = 1; n <= kSetupPorts; ++n) {
    // A stable name is long: how the port reaches it goes on a line of its own.
    const QString opens =
        QString(ToQt(ports.opens[static_cast<std::size_t>(n - 1)])).replace(" through ", "\n      through ");
    PortDevice[n] = new QLabel(opens, devicesFrame);
    PortDevice[n]->setObjectName(QString("PortDevice%1").arg(n));
    PortDevice[n]->setProperty("what", "port device");
    PortDevice[n]->setAccessibleName(opens);
    devicesLayout->addWidget(PortDevice[n]);
  }
  DeviceList = new QListWidget(devicesFrame);
  DeviceList->setObjectName("DeviceList");
  DeviceList->addItem("Leave the links as they are");
  // A stable name is long: the kernel's name, maker and product go on a line of their own.
  for (const SerialDevice& device : offered_) DeviceList->addItem(ToQt(DeviceCaption(device, device.stable.empty() ? " " : "\n      ")));
  DeviceList->setCurrentRow(0);
  // Wide enough for an adapter's whole maker and product; longer ones scroll.
  int widest = 0;
  for (int i = 0; i < DeviceList->count(); ++i)
    widest = std::max(widest, DeviceList->fontMetrics().boundingRect(QRect(), 0, DeviceList->item(i)->text()).width());
  DeviceList->setMinimumWidth(std::min(widest, 560) + 4 * DeviceList->frameWidth() + 16);
  const QString listCaption = "Found here; link the chosen Com port to:";
  DeviceList->setAccessibleName(listCaption);
  devicesLayout->addSpacing(fontMetrics().lineSpacing() / 2);
  devicesLayout->addWidget(Caption(listCaption, DeviceList, devicesFrame));
  devicesLayout->addWidget(DeviceList, 1);

  DialoutHint = new QLabel(QString::fromLatin1(kDialoutHint), this);
  DialoutHint->setObjectName("DialoutHint");
  DialoutHint->setProperty("what", "permission hint");
  DialoutHint->setAccessibleName(DialoutHint->text());
  DialoutHint->setTextInteractionFlags(Qt::TextSelectableByMouse);  // so the command can be copied
  DialoutHint->setVisible(ports.permission_hint);

  HolderHint = new QLabel(ToQt(ports.holder_hint), this);
  HolderHint->setObjectName("HolderHint");
  if (!ports.holder_hint.empty()) HolderHint->setProperty("what", "busy port hint");
  HolderHint->setAccessibleName(HolderHint->text());
  HolderHint->setWordWrap(true);  // advice of several sentences; the window keeps its width
  HolderHint->setTextInteractionFlags(Qt::TextSelectableByMouse);  // so the udev line can be copied
  HolderHint->setVisible(!ports.holder_hint.empty());

  auto* left = new QVBoxLayout;
  left->addWidget(nameFrame);
  left->addWidget(messageFrame);
  left->addWidget(configFrame);
  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addWidget(devicesFrame, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addWidget(DialoutHint);
  layout->addWidget(HolderHint);
  layout->addLayout(buttons);

  // Load: nothing is chosen unless the current settings name an offered option.
  if (current.port) Options->button(*current.port)->setChecked(true);
  if (current.speed) options2->button(*current.speed)->setChecked(true);
  TabLandsOnChosen(Options->buttons());
  TabLandsOnChosen(options2->buttons());
}

SetupChoice Start::choice() const {
  SetupChoice c;
  c.user_name = FromQt(UserNameBox->text());
  if (Options->checkedId() > 0) c.port = Options->checkedId();
  if (options2->checkedId() > 0) c.speed = options2->checkedId();
  const int row = DeviceList->currentRow();
  if (row >= 1 && row <= static_cast<int>(offered_.size())) c.device = LinkTarget(offered_[static_cast<std::size_t>(row - 1)]);
  return c;
}

void Start::OKlbl_Click() {
  if (confirm_) confirm_(choice());
}

void Start::CancelCmd_Click() { reject(); }

}  // namespace scandeck
