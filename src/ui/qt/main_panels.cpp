// The main window's panels: the status display, the trunking frame, the keys and
// bank selection, direct access, searching, centre tuning and the data panel.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QFontDatabase>

#include "common/qt/click_label.h"
#include "common/qt/pictures.h"
#include "common/qt/twips.h"
#include "ui/qt/main_widgets.h"
#include "ui/qt/main_window.h"

namespace scandeck {

using namespace main_ui;

void MainWindow::buildStatusFrame(QWidget* panel) {
  auto* f = Frame("Status", "StatusFrame", panel, 60, 20, 3600, 1860, true);
  ModeLbl = Display("ModeLbl", "Mode", f, 120, 270, 2600, 270, 9, true);
  SQopen = Display("SQopen", "Squelch", f, 3180, 250, 300, 300);
  squelch_picture_ = pictures::SquelchOpen(Px(f, 300));
  FrequencyBox = Display("FrequencyBox", "Frequency", f, 120, 560, 2300, 480, 18, true);
  Caption("MHz", f, 2440, 780, 440, 240);
  Caption("Ch", f, 2940, 560, 560, 240)->setAlignment(Qt::AlignCenter);
  ChLbl = Display("ChLbl", "Channel number", f, 2940, 800, 560, 260, 9, true);
  ChLbl->setAlignment(Qt::AlignCenter);
  NameLbl = Display("NameLbl", "Channel name", f, 120, 1090, 2700, 270, 9, true);
  TypeLbl = Display("TypeLbl", "Channel type", f, 2880, 1090, 620, 270, 9);
  const char* captions[] = {"DATA", "ATT", "PRI", "DLY", "L/O"};
  const char* names[] = {"data skip", "attenuator", "priority", "delay", "lockout"};
  for (int i = 0; i < 5; ++i) {
    buttonlbl[i] = Toggle(captions[i], QString("buttonlbl%1").arg(i), names[i], f, 120 + i * 680, 1440, 640, 300);
    connect(buttonlbl[i], &ClickLabel::clicked, this, [this, i] { core_.buttonlbl_Click(i); });
  }
}

void MainWindow::buildTrunkingFrame(QWidget* panel) {
  auto* f = Frame("Trunking", "TrunkingFrame", panel, 3720, 20, 3420, 2240, true);
  auto* bankCaption = Caption("Freq Bank", f, 120, 260, 760, 240);
  FreqBankLbl = Display("FreqBankLbl", "Trunk frequency bank", f, 880, 260, 400, 240, 8, true);
  bankCaption->setBuddy(FreqBankLbl);
  Caption("System", f, 1340, 260, 620, 240);
  SystemLbl = Display("SystemLbl", "Trunked system", f, 1960, 260, 1400, 240, 8, true);
  IDBox = Display("IDBox", "Talkgroup ID", f, 120, 520, 1560, 400, 14, true);
  IDListen = Display("IDListen", "Talkgroup", f, 1700, 560, 300, 300);
  talkgroup_picture_ = pictures::TalkgroupActive(Px(f, 300));
  Caption("ID Ch", f, 2080, 520, 700, 220);
  IDchLbl = Display("IDchLbl", "ID channel", f, 2080, 730, 700, 240, 9, true);
  IDNameLbl = Display("IDNameLbl", "Talkgroup name", f, 120, 960, 2400, 270, 9, true);
  IDTypeLbl = Display("IDTypeLbl", "Talkgroup type", f, 2600, 960, 700, 270, 9);

  IDlbl[0] = Toggle({}, "IDlbl0", "ID on the current ID channel", f, 120, 1260, 1100, 300);
  IDlbl[0]->setCheckable(false);
  IDlbl[0]->setAccessibleDescription("Click to send the ID bank selection again");
  IDChLblMain = Display("IDChLblMain", "Current ID channel", f, 1280, 1280, 700, 260, 8, true);
  Button[2] = new QPushButton("&TRUNK", f);
  Button[2]->setObjectName("Button2");
  Button[2]->setAccessibleName("TRUNK key, track a trunked system");
  Button[2]->setFont(CaptionFont(8, true));
  PlaceTw(Button[2], 2460, 1230, 860, 340);
  TrunkingNameLbl = Display("TrunkingNameLbl", "Name of the ID on the current ID channel", f, 120, 1590, 2400, 250);
  TrunkingTypeLbl = Display("TrunkingTypeLbl", "Type of the ID on the current ID channel", f, 2600, 1590, 700, 250);
  Caption("ID Banks", f, 120, 1900, 660, 240);
  for (int k = 1; k <= 10; ++k) {
    IDlbl[k] = Toggle(QString::number(k), QString("IDlbl%1").arg(k), QString("ID bank %1").arg(k), f,
                      780 + (k - 1) * 255, 1880, 235, 270, "selected", "not selected");
  }
  for (int k = 0; k <= 10; ++k) connect(IDlbl[k], &ClickLabel::clicked, this, [this, k] { core_.IDlbl_Click(k); });
}

void MainWindow::buildKeys(QWidget* panel) {
  auto key = [this, panel](int index, const QString& caption, const QString& accessible, double l, double w) {
    auto* button = new QPushButton(caption, panel);
    button->setObjectName(QString("Button%1").arg(index));
    button->setAccessibleName(accessible);
    button->setToolTip(accessible);
    button->setFont(CaptionFont(8, true));
    PlaceTw(button, l, 1920, w, 380);
    Button[index] = button;
  };
  // Each name says what the key does on the scanner, after its caption.
  key(0, "&SCAN", "SCAN key, scan the memory channels", 60, 660);
  key(1, "&MANUAL", "MANUAL key, stay on one channel", 740, 760);
  key(3, {}, "Hold key, stop or resume the scan or search", 1520, 420);
  key(4, {}, "Key eight, function key: the next key does its second job", 1960, 420);
  key(5, "S&VC", "SVC, service search key", 2400, 560);
  Button[3]->setIcon(QIcon(pictures::Hold(64)));
  Button[4]->setIcon(QIcon(pictures::SecondKey(64)));
  const PanelButton kinds[] = {PanelButton::Scan,     PanelButton::Manual,  PanelButton::Trunk, PanelButton::Hold,
                               PanelButton::Picture2, PanelButton::Service, PanelButton::Search};
  for (int i = 0; i < 7; ++i)
    if (Button[i]) connect(Button[i], &QPushButton::clicked, this, [this, kind = kinds[i]] { core_.Button_Click(kind); });

  const int bulb = Px(panel, 340);
  LightOff = Picture(pictures::LightOff(bulb), "LightOff", "Light is off, switch it on", panel, 3000, 1940, 340, 340);
  LightOn = Picture(pictures::LightOn(bulb), "LightOn", "Light is on, switch it off", panel, 3000, 1940, 340, 340);
  LightAuto = Picture(pictures::LightAuto(bulb), "LightAuto", "Automatic light", panel, 3340, 1940, 340, 340);
  connect(LightOff, &ClickLabel::clicked, this, [this] { core_.Send(LightCommands(LightControl::Off)); });
  connect(LightOn, &ClickLabel::clicked, this, [this] { core_.Send(LightCommands(LightControl::On)); });
  connect(LightAuto, &ClickLabel::clicked, this, [this] { core_.Send(LightCommands(LightControl::Auto)); });

  Caption("Banks", panel, 100, 2400, 560, 260);
  for (int b = 1; b <= 10; ++b) {
    BankLbl[b] = Toggle(QString::number(b), QString("BankLbl%1").arg(b), QString("frequency bank %1").arg(b), panel,
                        660 + (b - 1) * 300, 2380, 280, 300, "selected", "not selected");
    connect(BankLbl[b], &ClickLabel::clicked, this, [this, b] { core_.BankLbl_Click(b); });
  }
}

void MainWindow::buildDirectSeeking(QWidget* panel) {
  auto* f = Frame("Direct Seeking", "DirectSeeking", panel, 60, 2760, 3600, 1040);
  Caption("Direct Access", f, 120, 260, 3300, 240);
  ChannelBox = Box("ChannelBox", "Freq Ch, frequency channel number, press Enter to go to it", f, 820, 560, 560, 330);
  Caption("Freq Ch", f, 120, 600, 700, 260)->setBuddy(ChannelBox);
  IDChannelBox = Box("IDChannelBox", "ID Ch, ID bank number, 1 to 10, then Enter", f, 2140, 560, 460, 330);
  Caption("ID Ch", f, 1560, 600, 580, 260)->setBuddy(IDChannelBox);
  Caption("-", f, 2610, 560, 120, 330)->setAlignment(Qt::AlignCenter);
  IDChannelBoxII = Box("IDChannelBoxII", "ID Ch, channel in the ID bank, 1 to 10, then Enter", f, 2740, 560, 460, 330);
  connect(ChannelBox, &QLineEdit::returnPressed, this, &MainWindow::ChannelBox_KeyPress);
  connect(IDChannelBox, &QLineEdit::returnPressed, this, &MainWindow::IDChannelBox_KeyPress);
  connect(IDChannelBoxII, &QLineEdit::returnPressed, this, &MainWindow::IDChannelBoxII_KeyPress);
}

void MainWindow::buildSearching(QWidget* panel) {
  Searching = Frame("Searching", "Searching", panel, 60, 3860, 7080, 880);
  Searching->setToolTip("Click the frame to read the search limits from the scanner");
  Searching->installEventFilter(this);
  Caption("Limits ", Searching, 120, 380, 680, 260);
  LLbox = Box("LLbox", "Lower search limit, MHz", Searching, 1380, 330, 1200, 340);
  Caption("Lower", Searching, 800, 380, 560, 260)->setBuddy(LLbox);
  LUbox = Box("LUbox", "Upper search limit, MHz", Searching, 3240, 330, 1200, 340);
  Caption("Upper", Searching, 2680, 380, 560, 260)->setBuddy(LUbox);
  ApplyLimit = new QPushButton("Upload it !", Searching);
  ApplyLimit->setObjectName("ApplyLimit");
  ApplyLimit->setAccessibleName("Upload it !, send the search limits to the scanner");
  ApplyLimit->setFont(CaptionFont(8, true));
  PlaceTw(ApplyLimit, 4560, 300, 1140, 400);
  connect(ApplyLimit, &QPushButton::clicked, this, &MainWindow::ApplyLimit_Click);
  Button[6] = new QPushButton("SR&CH", Searching);
  Button[6]->setObjectName("Button6");
  Button[6]->setAccessibleName("SRCH, search key");
  Button[6]->setFont(CaptionFont(8, true));
  PlaceTw(Button[6], 5800, 300, 1160, 400);
  connect(Button[6], &QPushButton::clicked, this, [this] { core_.Button_Click(PanelButton::Search); });
}

namespace {
// The tuning scale: a line from 1080 to 3000 twips with a fixed centre mark at 2040.
class TuningScale : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int y = Px(this, 840);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(Px(this, 1080), y, Px(this, 3000), y);
    p.drawLine(Px(this, 2040), y - Px(this, 200), Px(this, 2040), y + Px(this, 200));
    for (double x : {1080.0, 1560.0, 2520.0, 3000.0}) p.drawLine(Px(this, x), y - Px(this, 80), Px(this, x), y + Px(this, 80));
    p.setFont(CaptionFont(7));
    p.drawText(QRect(Px(this, 780), y - Px(this, 120), Px(this, 260), Px(this, 240)), Qt::AlignCenter, "-");
    p.drawText(QRect(Px(this, 3040), y - Px(this, 120), Px(this, 260), Px(this, 240)), Qt::AlignCenter, "+");
  }
};
}  // namespace

void MainWindow::buildCenterTuning(QWidget* panel) {
  auto* f = Frame("Center Tuning", "CenterTuning", panel, 3720, 2320, 3420, 1480);
  auto* scale = new TuningScale(f);
  scale->setObjectName("TuningScale");
  scale->setAccessibleName("Center tuning scale");
  PlaceTw(scale, 0, 0, 3420, 1480);
  TunLine = new QFrame(f);
  TunLine->setObjectName("TunLine");
  TunLine->setAccessibleName("Center tuning needle");
  TunLine->setStyleSheet("background: rgb(255,0,0);");
  CenterTuning = f;
}

void MainWindow::buildDataPanel(QWidget* panel) {
  temp = new QPlainTextEdit(panel);
  temp->setObjectName("temp");
  temp->setAccessibleName("Rx Data, received data, newest first");
  temp->setReadOnly(true);
  temp->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  PlaceTw(temp, 60, 300, 3500, 1560);
  Caption("Rx Data", panel, 60, 40, 3500, 240)->setBuddy(temp);
  TxData = new QListWidget(panel);
  TxData->setObjectName("TxData");
  TxData->setAccessibleName("Tx Data, sent commands, double-click to send again");
  TxData->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  PlaceTw(TxData, 3660, 300, 3480, 1560);
  Caption("Tx Data", panel, 3660, 40, 3480, 240)->setBuddy(TxData);
  connect(TxData, &QListWidget::itemDoubleClicked, this, [this] { TxData_DblClick(); });
  connect(TxData, &QListWidget::itemActivated, this, [this] { TxData_DblClick(); });
  CmdToBeSendBox = Box("CmdToBeSendBox", "Command to send to the scanner", panel, 60, 2200, 3000, 340);
  Caption("Command to send to the scanner :", panel, 60, 1940, 3000, 240)->setBuddy(CmdToBeSendBox);
  connect(CmdToBeSendBox, &QLineEdit::returnPressed, this, &MainWindow::SndCmd_Click);
  auto button = [panel](const QString& caption, const char* name, double l, double w) {
    auto* b = new QPushButton(caption, panel);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    b->setFont(CaptionFont(8));
    PlaceTw(b, l, 2160, w, 400);
    return b;
  };
  SndCmd = button("Send to Scanner", "SndCmd", 3160, 1500);
  Clear = button("Clear Data", "Clear", 4720, 1200);
  testcmd = button("Test", "testcmd", 5980, 1160);
  testcmd->setAccessibleName("Test, read memory channels 1 to 9");
  connect(SndCmd, &QPushButton::clicked, this, &MainWindow::SndCmd_Click);
  connect(Clear, &QPushButton::clicked, this, &MainWindow::Clear_Click);
  connect(testcmd, &QPushButton::clicked, this, &MainWindow::testcmd_Click);
}

}  // namespace scandeck
