#include "ui/qt/main_window.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include "common/core/contact.h"
#include "common/qt/click_label.h"
#include "common/qt/qt_text.h"
#include "common/qt/twips.h"
#include "app/qt/start_window.h"
#include "link/core/protocol.h"
#include "ui/qt/pictures.h"

namespace scandeck {

namespace {

// The main window's client area: the control panel above 4770 twips, the data panel below.
constexpr double kPanelWidth = 7200;
constexpr double kPanelHeight = 4770;
constexpr double kDataPanelBottom = 7455;
// What the designed outer size adds to the client area: borders, caption and menu.
constexpr double kFrameWidth = kMainWidth - kPanelWidth;
constexpr double kFrameHeight = kMainHeightPanelHidden - kPanelHeight;

const QColor kRed(255, 0, 0);

QString CaptionFamily() {
  const QStringList families = QFontDatabase::families();
  for (const char* family : {"Comic Sans MS", "Comic Neue", "Comic Relief"})
    if (families.contains(family, Qt::CaseInsensitive)) return family;
  return QApplication::font().family();
}

QFont CaptionFont(double points, bool bold = false) {
  QFont font(CaptionFamily());
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

QLabel* Caption(const QString& text, QWidget* parent, double l, double t, double w, double h) {
  auto* label = new QLabel(text, parent);
  label->setFont(CaptionFont(8));
  PlaceTw(label, l, t, w, h);
  return label;
}

// A display label: its accessible name says what it shows; its text is the value.
QLabel* Display(const char* name, const QString& accessible, QWidget* parent, double l, double t, double w, double h,
                double points = 8, bool bold = false) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setAccessibleName(accessible);
  label->setFont(CaptionFont(points, bold));
  label->setTextFormat(Qt::PlainText);
  label->setFocusPolicy(Qt::TabFocus);  // reachable, so a screen reader can read it
  PlaceTw(label, l, t, w, h);
  return label;
}

ClickLabel* Toggle(const QString& text, const QString& name, const QString& accessible, QWidget* parent, double l,
                   double t, double w, double h) {
  auto* label = new ClickLabel(text, parent);
  label->setObjectName(name);
  label->setAccessibleName(accessible);
  label->setFont(CaptionFont(8, true));
  label->setStyleSheet(
      "QLabel { border: 1px solid #a0a0a0; border-radius: 3px; background: #f4f4f4; }"
      "QLabel[focused=\"true\"] { border: 2px solid #3070d0; }");
  PlaceTw(label, l, t, w, h);
  return label;
}

ClickLabel* Picture(const QPixmap& pixmap, const QString& name, const QString& accessible, QWidget* parent,
                    double l, double t, double w, double h) {
  auto* label = new ClickLabel({}, parent);
  label->setObjectName(name);
  label->setAccessibleName(accessible);
  label->setToolTip(accessible);
  label->setPixmap(pixmap);
  label->setStyleSheet("QLabel[focused=\"true\"] { border: 2px solid #3070d0; }");
  PlaceTw(label, l, t, w, h);
  return label;
}

QGroupBox* Frame(const QString& caption, const char* name, QWidget* parent, double l, double t, double w, double h) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(name);
  frame->setFont(CaptionFont(8, true));
  PlaceTw(frame, l, t, w, h);
  return frame;
}

QLineEdit* Box(const char* name, const QString& accessible, QWidget* parent, double l, double t, double w, double h) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setAccessibleName(accessible);
  box->setFont(CaptionFont(8));
  PlaceTw(box, l, t, w, h);
  return box;
}

void SetText(QLabel* label, const std::string& text) {
  const QString value = ToQt(text);
  if (label->text() != value) label->setText(value);
}

void SetColour(QWidget* widget, bool red) {
  QPalette palette = widget->palette();
  const QColor want = red ? kRed : QColor(Qt::black);
  if (palette.color(QPalette::WindowText) == want) return;
  palette.setColor(QPalette::WindowText, want);
  widget->setPalette(palette);
  widget->setAccessibleDescription(red ? "on" : "off");
}

}  // namespace

MainWindow::MainWindow(MainCore& core, QWidget* parent) : QMainWindow(parent), core_(core) {
  setObjectName("main");
  setWindowTitle(contact::kProgramTitle);
  setWindowIcon(QIcon(pictures::AppIcon(64)));
  buildMenus();

  auto* client = new QWidget(this);
  client->setObjectName("client");
  panel_ = new QWidget(client);
  panel_->setObjectName("panel");
  PlaceTw(panel_, 0, 0, kPanelWidth, kPanelHeight);
  buildStatusFrame(panel_);
  buildTrunkingFrame(panel_);
  buildKeys(panel_);
  buildDirectSeeking(panel_);
  buildSearching(panel_);
  buildCenterTuning(panel_);
  dataPanel_ = new QWidget(client);
  dataPanel_->setObjectName("dataPanel");
  PlaceTw(dataPanel_, 0, kPanelHeight, kPanelWidth, kDataPanelBottom - kPanelHeight);
  buildDataPanel(dataPanel_);
  dataPanel_->hide();
  setCentralWidget(client);

  MainTimer.setInterval(kPollIntervalMs);
  connect(&MainTimer, &QTimer::timeout, this, &MainWindow::MainTimer_Timer);
  render();
}

void MainWindow::buildMenus() {
  auto add = [this](QMenu* menu, const QString& caption, const char* name, auto handler) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if constexpr (!std::is_same_v<decltype(handler), std::nullptr_t>) connect(action, &QAction::triggered, this, handler);
    return action;
  };
  auto* file = menuBar()->addMenu("  &File  ");
  SeeCode = add(file, "See &Data  Computer <=> Bc245", "SeeCode", [this] { SeeCode_Click(); });
  SeeCode->setCheckable(true);
  Config = add(file, "&Setup", "Config", [this] { RunSetupWindow(core_, this); });
  ResetAllStatusMnu = add(file, "Reset S&tatus", "ResetAllStatusMnu", [this] { core_.ResetAllStatus(); render(); });
  RemoteControlOff = add(file, "Put &Remote Control Off", "RemoteControlOff",
                         [this] { core_.Send({std::string(protocol::cmd::kKeyRemoteOff)}); });
  Upgrade = add(file, "&Upgrade (need internet access)", "Upgrade", nullptr);
  Upgrade->setEnabled(false);
  file->addSeparator();
  Exit = add(file, "E&xit", "Exit", [this] { core_.Exit_Click(); });

  auto* mode = menuBar()->addMenu("  Mo&de  ");
  SmartViewMode = add(mode, "Smart &View Mode", "SmartViewMode", nullptr);
  PopUpSmartViewMode = add(mode, "&PopUp Smart View Mode", "PopUpSmartViewMode", nullptr);
  SmartViewMode->setEnabled(false);
  PopUpSmartViewMode->setEnabled(false);
  mode->addSeparator();
  Scan = add(mode, "&Scan     Alt+S", "Scan", [this] { core_.Send(ModeMenuCommands(ModeMenu::Scan)); });
  Manual = add(mode, "&Manual     Alt+M", "Manual", [this] { core_.Send(ModeMenuCommands(ModeMenu::Manual)); });
  Trunk = add(mode, "&Trunk     Alt+T", "Trunk", [this] { core_.Send(ModeMenuCommands(ModeMenu::Trunk)); });
  Search = add(mode, "Sear&ch    Alt+C", "Search", [this] { core_.Send(ModeMenuCommands(ModeMenu::Search)); });

  auto* memories = menuBar()->addMenu("  M&emories  ");
  EditIDdir = add(memories, "Edit &ID Directory", "EditIDdir", nullptr);
  EditMemories = add(memories, "&Edit Frequencies Directory", "EditMemories", nullptr);
  PrintListsMnu = add(memories, "&Print Lists", "PrintListsMnu", nullptr);
  for (auto* action : {EditIDdir, EditMemories, PrintListsMnu}) action->setEnabled(false);

  auto* options = menuBar()->addMenu("  &Options  ");
  LogFontion = options->addMenu("&Log Function");
  LogFontion->setObjectName("LogFontion");
  LogOnOFF = add(LogFontion, "&Log Enable", "LogOnOFF", nullptr);
  LogOnOFF->setCheckable(true);
  SetupLog = add(LogFontion, "&Setup General Log", "SetupLog", nullptr);
  StatisticsLog = add(LogFontion, "Setup S&tatistics Log", "StatisticsLog", nullptr);
  LogFontion->setEnabled(false);
  LightPermanent = add(options, "Set &Light Permanent", "LightPermanent",
                       [this] { core_.Send(LightPermanentCommands(core_.Status)); render(); });
  CenterTuningOnOff = add(options, "&Center Tuning", "CenterTuningOnOff", [this] {
    core_.CenterTuningOnOff_Click();
    render();
  });
  MonitorMode = add(options, "Monitoring &Discriminator", "MonitorMode",
                    [this] { core_.Send(MonitorCommands(core_.Status)); render(); });
  Mute = add(options, "&Mute", "Mute", [this] { core_.Send(MuteCommands(core_.Status)); render(); });
  for (auto* action : {LightPermanent, CenterTuningOnOff, MonitorMode, Mute}) action->setCheckable(true);

  auto* help = menuBar()->addMenu("  &Help  ");
  help->setObjectName("HelpMenu");
  for (const char* caption : {"&Type: Definitions", "&Center Tuning"}) help->addAction(caption)->setEnabled(false);
  help->addAction(contact::kAuthorCredit)->setEnabled(false);
  auto* list = help->addMenu("&Scandeck mailing list");
  list->setObjectName("URLmailingList");
  for (const char* caption : {"&Post a Public Message", "General &Informations", "&Subscribe", "&UnSubscribe"})
    list->addAction(caption);
  list->setEnabled(false);
  help->addAction(QString("Mail ") + contact::kAuthorCredit)->setEnabled(false);

  Aboutit = menuBar()->addAction("  &About  ");
  Aboutit->setObjectName("Aboutit");
  Aboutit->setEnabled(false);
}

void MainWindow::buildStatusFrame(QWidget* panel) {
  auto* f = Frame("Status", "StatusFrame", panel, 60, 20, 3600, 1860);
  ModeLbl = Display("ModeLbl", "Mode", f, 120, 270, 2600, 270, 9, true);
  SQopen = Display("SQopen", "Squelch open", f, 3180, 250, 300, 300);
  SQopen->setPixmap(pictures::SquelchOpen(Px(f, 300)));
  SQopen->setToolTip("Squelch open");
  FrequencyBox = Display("FrequencyBox", "Frequency", f, 120, 560, 2300, 480, 18, true);
  Caption("MHz", f, 2440, 780, 440, 240);
  Caption("Ch", f, 2940, 560, 560, 240)->setAlignment(Qt::AlignCenter);
  ChLbl = Display("ChLbl", "Channel number", f, 2940, 800, 560, 260, 9, true);
  ChLbl->setAlignment(Qt::AlignCenter);
  NameLbl = Display("NameLbl", "Channel name", f, 120, 1090, 2700, 270, 9, true);
  TypeLbl = Display("TypeLbl", "Channel type", f, 2880, 1090, 620, 270, 9);
  const char* captions[] = {"DATA", "ATT", "PRI", "DLY", "L/O"};
  const char* names[] = {"Data skip", "Attenuator", "Priority", "Delay", "Lockout"};
  for (int i = 0; i < 5; ++i) {
    buttonlbl[i] = Toggle(captions[i], QString("buttonlbl%1").arg(i), names[i], f, 120 + i * 680, 1440, 640, 300);
    connect(buttonlbl[i], &ClickLabel::clicked, this, [this, i] { core_.buttonlbl_Click(i); });
  }
}

void MainWindow::buildTrunkingFrame(QWidget* panel) {
  auto* f = Frame("Trunking", "TrunkingFrame", panel, 3720, 20, 3420, 2240);
  auto* bankCaption = Caption("Freq Bank", f, 120, 260, 760, 240);
  FreqBankLbl = Display("FreqBankLbl", "Trunk frequency bank", f, 880, 260, 400, 240, 8, true);
  bankCaption->setBuddy(FreqBankLbl);
  Caption("System", f, 1340, 260, 620, 240);
  SystemLbl = Display("SystemLbl", "Trunked system", f, 1960, 260, 1400, 240, 8, true);
  IDBox = Display("IDBox", "Talkgroup ID", f, 120, 520, 1560, 400, 14, true);
  IDListen = Display("IDListen", "Talkgroup active", f, 1700, 560, 300, 300);
  IDListen->setPixmap(pictures::TalkgroupActive(Px(f, 300)));
  IDListen->setToolTip("Talkgroup active");
  Caption("ID Ch", f, 2080, 520, 700, 220);
  IDchLbl = Display("IDchLbl", "ID channel", f, 2080, 730, 700, 240, 9, true);
  IDNameLbl = Display("IDNameLbl", "Talkgroup name", f, 120, 960, 2400, 270, 9, true);
  IDTypeLbl = Display("IDTypeLbl", "Talkgroup type", f, 2600, 960, 700, 270, 9);

  IDlbl[0] = Toggle({}, "IDlbl0", "ID on the current ID channel, resend the ID bank selection", f, 120, 1260, 1100,
                    300);
  IDChLblMain = Display("IDChLblMain", "Current ID channel", f, 1280, 1280, 700, 260, 8, true);
  Button[2] = new QPushButton("&TRUNK", f);
  Button[2]->setObjectName("Button2");
  Button[2]->setAccessibleName("Trunk key");
  Button[2]->setFont(CaptionFont(8, true));
  PlaceTw(Button[2], 2460, 1230, 860, 340);
  TrunkingNameLbl = Display("TrunkingNameLbl", "Name of the ID on the current ID channel", f, 120, 1590, 2400, 250);
  TrunkingTypeLbl = Display("TrunkingTypeLbl", "Type of the ID on the current ID channel", f, 2600, 1590, 700, 250);
  Caption("ID Banks", f, 120, 1900, 660, 240);
  for (int k = 1; k <= 10; ++k) {
    IDlbl[k] = Toggle(QString::number(k), QString("IDlbl%1").arg(k), QString("ID bank %1").arg(k), f,
                      780 + (k - 1) * 255, 1880, 235, 270);
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
  key(0, "&SCAN", "Scan key", 60, 660);
  key(1, "&MANUAL", "Manual key", 740, 760);
  key(3, {}, "Hold key", 1520, 420);
  key(4, {}, "Key eight", 1960, 420);
  key(5, "S&VC", "Service search key", 2400, 560);
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
    BankLbl[b] = Toggle(QString::number(b), QString("BankLbl%1").arg(b), QString("Frequency bank %1").arg(b), panel,
                        660 + (b - 1) * 300, 2380, 280, 300);
    connect(BankLbl[b], &ClickLabel::clicked, this, [this, b] { core_.BankLbl_Click(b); });
  }
}

void MainWindow::buildDirectSeeking(QWidget* panel) {
  auto* f = Frame("Direct Seeking", "DirectSeeking", panel, 60, 2760, 3600, 1040);
  Caption("Direct Access", f, 120, 260, 3300, 240);
  ChannelBox = Box("ChannelBox", "Frequency channel number, press Enter to go to it", f, 820, 560, 560, 330);
  Caption("Freq Ch", f, 120, 600, 700, 260)->setBuddy(ChannelBox);
  IDChannelBox = Box("IDChannelBox", "ID bank number, 1 to 10, then Enter", f, 2140, 560, 460, 330);
  Caption("ID Ch", f, 1560, 600, 580, 260)->setBuddy(IDChannelBox);
  Caption("-", f, 2610, 560, 120, 330)->setAlignment(Qt::AlignCenter);
  IDChannelBoxII = Box("IDChannelBoxII", "ID channel in the bank, 1 to 10, then Enter", f, 2740, 560, 460, 330);
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
  ApplyLimit->setAccessibleName("Upload the search limits to the scanner");
  ApplyLimit->setFont(CaptionFont(8, true));
  PlaceTw(ApplyLimit, 4560, 300, 1140, 400);
  connect(ApplyLimit, &QPushButton::clicked, this, &MainWindow::ApplyLimit_Click);
  Button[6] = new QPushButton("SR&CH", Searching);
  Button[6]->setObjectName("Button6");
  Button[6]->setAccessibleName("Search key");
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
  TunLine->setAccessibleName("Center tuning pointer");
  TunLine->setStyleSheet("background: rgb(255,0,0);");
  CenterTuning = f;
}

void MainWindow::buildDataPanel(QWidget* panel) {
  temp = new QPlainTextEdit(panel);
  temp->setObjectName("temp");
  temp->setAccessibleName("Received data, newest first");
  temp->setReadOnly(true);
  temp->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  PlaceTw(temp, 60, 300, 3500, 1560);
  Caption("Rx Data", panel, 60, 40, 3500, 240)->setBuddy(temp);
  TxData = new QListWidget(panel);
  TxData->setObjectName("TxData");
  TxData->setAccessibleName("Sent commands, double-click to send again");
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
  testcmd->setAccessibleName("Test: read memory channels 1 to 9");
  connect(SndCmd, &QPushButton::clicked, this, &MainWindow::SndCmd_Click);
  connect(Clear, &QPushButton::clicked, this, &MainWindow::Clear_Click);
  connect(testcmd, &QPushButton::clicked, this, &MainWindow::testcmd_Click);
}

void MainWindow::Form_Load() {
  core_.Form_Load();
  applyWindowSize();
  MainTimer.start();
  render();
}

QSize MainWindow::clientSizeFor(float outer_width_twips, float outer_height_twips) const {
  return {std::max(1, Px(this, outer_width_twips - kFrameWidth)), std::max(1, Px(this, outer_height_twips - kFrameHeight))};
}

void MainWindow::applyWindowSize() {
  // The stored size is the designed outer size; the client area is derived from it so
  // that the panel fits whatever the desktop's own borders and caption measure.
  const QSize client = clientSizeFor(core_.WindowWidth, core_.WindowHeight);
  applying_size_ = true;
  centralWidget()->setMinimumSize(0, 0);
  resize(client.width(), client.height() + menuBar()->sizeHint().height());
  applying_size_ = false;
  dataPanel_->setVisible(Twips(this, client.height()) > kPanelHeight + 300);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!centralWidget()) return;
  const QSize client = centralWidget()->size();
  dataPanel_->setVisible(Twips(this, client.height()) > kPanelHeight + 300);
  if (applying_size_ || !isVisible()) return;
  core_.WindowWidth = static_cast<float>(std::round(Twips(this, client.width()) + kFrameWidth));
  core_.WindowHeight = static_cast<float>(std::round(Twips(this, client.height()) + kFrameHeight));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    MainTimer.stop();
    core_.Form_Unload();
  }
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Searching && event->type() == QEvent::MouseButtonRelease) {
    Searching_Click();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::MainTimer_Timer() {
  core_.MainTimer_Timer();
  render();
}

void MainWindow::SndCmd_Click() {
  if (core_.SndCmd(FromQt(CmdToBeSendBox->text()))) {
    CmdToBeSendBox->clear();
    CmdToBeSendBox->setFocus();
  }
  renderDataPanel();
}

void MainWindow::TxData_DblClick() {
  const int row = TxData->currentRow();
  if (row < 0) return;
  core_.TxData_DblClick(static_cast<std::size_t>(row));
  renderDataPanel();
}

void MainWindow::Clear_Click() {
  core_.Clear_Click();
  renderDataPanel();
}

void MainWindow::SeeCode_Click() {
  core_.SeeCode_Click();
  applyWindowSize();
  render();
}

void MainWindow::testcmd_Click() {
  core_.testcmd_Click();
  renderDataPanel();
}

void MainWindow::ChannelBox_KeyPress() {
  core_.ChannelBox_Enter(FromQt(ChannelBox->text()));
  ChannelBox->clear();
}

void MainWindow::IDChannelBox_KeyPress() { IDChannelBoxII->setFocus(); }

void MainWindow::IDChannelBoxII_KeyPress() {
  if (!core_.IDChannelBoxII_Enter(FromQt(IDChannelBox->text()), FromQt(IDChannelBoxII->text()))) {
    QApplication::beep();
    return;
  }
  IDChannelBox->clear();
  IDChannelBoxII->clear();
  IDChannelBox->setFocus();
  renderDataPanel();
}

void MainWindow::ApplyLimit_Click() { core_.ApplyLimit_Click(FromQt(LLbox->text()), FromQt(LUbox->text())); }

void MainWindow::Searching_Click() { core_.Send({std::string(protocol::cmd::kLowerLimit)}); }

void MainWindow::render() {
  const ScannerStatus& s = core_.Status;
  SetText(ModeLbl, s.ModeText);
  SetText(FrequencyBox, s.FrequencyText);
  SetText(ChLbl, s.ChannelNumber);
  SetText(NameLbl, s.ChannelName);
  SetText(TypeLbl, s.ChannelType);
  SQopen->setVisible(s.SquelchOpen);
  SetText(FreqBankLbl, s.TrunkBank);
  SetText(SystemLbl, s.SystemName);
  SetText(IDBox, s.TalkgroupId);
  SetText(IDNameLbl, s.TalkgroupName);
  SetText(IDTypeLbl, s.TalkgroupType);
  IDListen->setVisible(s.TalkgroupActive);
  SetText(IDchLbl, s.IdChannel);
  SetText(IDChLblMain, s.IdChannel);
  SetText(IDlbl[0], s.IdChannelId);
  SetText(TrunkingNameLbl, s.IdChannelName);
  SetText(TrunkingTypeLbl, s.IdChannelType);

  const bool flags[] = {s.DataSkipOn, s.AttenuatorOn, s.PriorityOn, s.DelayOn, s.LockoutOn};
  for (int i = 0; i < 5; ++i) SetColour(buttonlbl[i], flags[i]);
  for (int k = 1; k <= 10; ++k) {
    SetColour(BankLbl[k], s.BankLit[k]);
    SetColour(IDlbl[k], s.IdBankLit[k]);
  }

  LightOn->setVisible(s.LightState);
  LightOff->setVisible(!s.LightState);
  LightPermanent->setChecked(s.LightState);
  Mute->setChecked(s.AudioState == Audio::Mute);
  MonitorMode->setChecked(s.AudioState == Audio::Monitor);

  // The limit boxes are also the user's input: only a new reply overwrites them.
  const std::string* limits[] = {&s.LowerLimit, &s.UpperLimit};
  QLineEdit* boxes[] = {LLbox, LUbox};
  for (int i = 0; i < 2; ++i) {
    if (*limits[i] == rendered_limits_[i]) continue;
    rendered_limits_[i] = *limits[i];
    boxes[i]->setText(ToQt(*limits[i]));
  }

  CenterTuningOnOff->setChecked(s.CenterTuningOn);
  TunLine->setVisible(s.CenterTuningOn);
  PlaceTw(TunLine, s.TuningOffset - 15, 480, 30, 720);

  SeeCode->setChecked(core_.SeeCodeChecked);
  LogOnOFF->setChecked(core_.LogOnOFFChecked);
  renderDataPanel();
}

void MainWindow::renderDataPanel() {
  QString pane = ToQt(core_.link().receive().pane());
  pane.replace("\r\n", "\n");
  if (temp->toPlainText() != pane) temp->setPlainText(pane);

  const auto& sent = core_.TxData;
  if (static_cast<std::size_t>(TxData->count()) > sent.size()) TxData->clear();
  for (std::size_t i = static_cast<std::size_t>(TxData->count()); i < sent.size(); ++i) TxData->addItem(ToQt(sent[i]));
}

}  // namespace scandeck
