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
#include <QSysInfo>
#include <cstdio>

#include "common/core/contact.h"
#include "common/core/failure.h"
#include "common/qt/click_label.h"
#include "common/qt/pictures.h"
#include "common/qt/qt_text.h"
#include "common/qt/twips.h"
#include "directory/qt/freq_dir_window.h"
#include "directory/qt/id_dir_window.h"
#include "import/qt/import_dialog.h"
#include "integrations/qt/integrations_window.h"
#include "link/core/protocol.h"
#include "log/qt/log_window.h"
#include "print/qt/print_window.h"
#include "status/core/status_json.h"
#include "ui/core/help.h"
#include "ui/qt/about_window.h"
#include "ui/qt/help_windows.h"
#include "ui/qt/main_widgets.h"
#include "ui/qt/tray_icon.h"

namespace scandeck {

using namespace main_ui;

namespace {
// The needle's place as a share of the half scale (960 twips) either side of the centre mark.
QString TuningNeedleName(double offset_twips) {
  const long percent = std::lround((offset_twips - kTuningCentreTwips) / 960.0 * 100.0);
  if (percent == 0) return "Center tuning needle, at the centre";
  return QString("Center tuning needle, %1% %2 of the centre").arg(std::labs(percent)).arg(percent < 0 ? "left" : "right");
}

// What the designed outer size adds to the client area: borders, caption and menu.
constexpr double kFrameWidth = kMainWidth - kPanelWidth;
constexpr double kFrameHeight = kMainHeightPanelHidden - kPanelHeight;
}  // namespace

MainWindow::MainWindow(MainCore& core, QWidget* parent)
    : QMainWindow(parent),
      core_(core),
      integrations_(core.path(kIntegrationsFileName), clock_),
      recording_(core.path(kRecordingFileName), core.folder()) {
  setObjectName("main");
  setWindowTitle(contact::kProgramTitle);
  setWindowIcon(QIcon(pictures::AppIcon(64)));
  tray_ = new TrayIcon(this);
  tray_->onDoubleClick = [this] { picTray_DoubleClick(); };
  heard_ = std::make_unique<HeardSession>(
      core_.clock(),
      HeardSources{core_.freq(), core_.freqFile(), core_.ids(), core_.idFile(), core_.desktop(), core_.folder(),
                   [this](HeardKind kind, int bank) { openDirectoryAt(kind, bank); },
                   [this] {
                     core_.RefreshNames();
                     render();
                   },
                   [this] { return recording_.recordNow(); }, [this] { return recording_.recordingsFolder(); },
                   nullptr,
                   [this](const HeardKey& key) {
                     const CallTally tally = recording_.recordings(CallKeyOf(key));
                     return RowRecordings{tally.count, tally.lastFile};
                   },
                   [this](const std::string& path) { return FromQt(recording_.play(path)); },
                   [this] { recording_.stopPlaying(); }, [this] { return recording_.playing(); }},
      notifier_, this);
  core_.setActivityEvents(&heard_->list());
  heard_->list().setActivityWatch([this](const HeardRow& row, bool started, Millis at) {
    publishCall(row, started);
    remoteCall(row, started);
    recordActivity(row.key, started, at);
  });
  buildMenus();
  RecordNowMnu->setEnabled(false);
  connect(&recording_, &Recording::statusChanged, this,
          [this] { RecordNowMnu->setEnabled(recording_.capture() && recording_.settings().record); });
  connect(&recording_, &Recording::playingChanged, this, [this](const QString& error) {
    if (HeardWindow* window = heard_->window()) window->playbackChanged(FromQt(error));
  });

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
  dataPanel_->hide();
  setCentralWidget(client);

  MainTimer.setInterval(kPollIntervalMs);
  connect(&MainTimer, &QTimer::timeout, this, &MainWindow::MainTimer_Timer);
  render();
}

MainWindow::~MainWindow() {
  heard_->list().setActivityWatch(nullptr);
  core_.setActivityEvents(nullptr);
  // recording_ goes before heard_, whose window is still painted as it closes.
  HeardSources& sources = heard_->sources();
  sources.recordNow = nullptr;
  sources.recordingsFolder = nullptr;
  sources.recordings = nullptr;
  sources.play = nullptr;
  sources.stopPlaying = nullptr;
  sources.playing = nullptr;
}

void MainWindow::buildMenus() {
  auto add = [this](QMenu* menu, const QString& caption, const char* name, auto handler,
                    Qt::ConnectionType type = Qt::AutoConnection) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if constexpr (!std::is_same_v<decltype(handler), std::nullptr_t>)
      connect(action, &QAction::triggered, this, handler, type);
    return action;
  };
  // Entries that open a modal window run after the trigger returns: a screen
  // reader or automation tool that pressed them through the accessibility bus
  // waits for that call to return and would hang until the window closed.
  constexpr auto kModal = Qt::QueuedConnection;
  auto* file = menuBar()->addMenu("  &File  ");
  SeeCode = add(file, "See &Data  Computer <=> Bc245", "SeeCode", [this] { SeeCode_Click(); });
  SeeCode->setCheckable(true);
  Config = add(file, "&Setup", "Config", [this] { core_.Config_Click(); }, kModal);
  ResetAllStatusMnu = add(file, "Reset S&tatus", "ResetAllStatusMnu", [this] { core_.ResetAllStatus(); render(); });
  RemoteControlOff = add(file, "Put &Remote Control Off", "RemoteControlOff",
                         [this] { core_.Send({std::string(protocol::cmd::kKeyRemoteOff)}); });
  Upgrade = add(file, "&Upgrade (need internet access)", "Upgrade", nullptr);
  Upgrade->setEnabled(false);
  file->addSeparator();
  Exit = add(file, "E&xit", "Exit", [this] { core_.Exit_Click(); });

  auto* mode = menuBar()->addMenu("  Mo&de  ");
  SmartViewMode = add(mode, "Smart &View Mode", "SmartViewMode", [this] { SmartViewMode_Click(); });
  PopUpSmartViewMode = add(mode, "&PopUp Smart View Mode", "PopUpSmartViewMode", [this] { PopUpSmartViewMode_Click(); });
  mode->addSeparator();
  Scan = add(mode, "&Scan     Alt+S", "Scan", [this] { core_.Send(ModeMenuCommands(ModeMenu::Scan)); });
  Manual = add(mode, "&Manual     Alt+M", "Manual", [this] { core_.Send(ModeMenuCommands(ModeMenu::Manual)); });
  Trunk = add(mode, "&Trunk     Alt+T", "Trunk", [this] { core_.Send(ModeMenuCommands(ModeMenu::Trunk)); });
  Search = add(mode, "Sear&ch    Alt+C", "Search", [this] { core_.Send(ModeMenuCommands(ModeMenu::Search)); });

  auto* memories = menuBar()->addMenu("  M&emories  ");
  EditIDdir = add(memories, "Edit &ID Directory", "EditIDdir", [this] { EditIDdir_Click(); }, kModal);
  EditMemories = add(memories, "&Edit Frequencies Directory", "EditMemories", [this] { EditMemories_Click(); });
  HeardMnu = add(memories, "&Heard List", "HeardMnu", [this] { heard_->show(); });
  PrintListsMnu = add(memories, "&Print Lists", "PrintListsMnu", [this] { PrintListsMnu_Click(); });
  memories->addSeparator();
  const auto context = [this] {
    return ImportContext{core_.freq(), core_.freqFile(), core_.ids(), core_.idFile(), core_.folder(), core_.decimalSeparator(),
                         core_.desktop(), [this] { core_.RefreshNames(); render(); }};
  };
  add(memories, "Import &names...", "ImportNamesMnu", [this, context] { RunImport(this, context()); }, kModal);
  add(memories, "E&xport...", "ExportMnu", [this, context] { RunExport(this, context()); }, kModal);

  auto* options = menuBar()->addMenu("  &Options  ");
  LogFontion = options->addMenu("&Log Function");
  LogFontion->setObjectName("LogFontion");
  LogOnOFF = add(LogFontion, "&Log Enable", "LogOnOFF", [this] {
    core_.LogOnOFF_Click();
    render();
  });
  LogOnOFF->setCheckable(true);
  SetupLog = add(LogFontion, "&Setup General Log", "SetupLog", [this] { SetupLog_Click(); });
  StatisticsLog = add(LogFontion, "Setup S&tatistics Log", "StatisticsLog", nullptr);
  // The log is switched off: its entries too, not only the submenu, or an
  // accessibility action would still run them.
  LogFontion->setEnabled(false);
  for (QAction* entry : LogFontion->actions()) entry->setEnabled(false);
  LightPermanent = add(options, "Set &Light Permanent", "LightPermanent",
                       [this] { core_.Send(LightPermanentCommands(core_.status())); render(); });
  CenterTuningOnOff = add(options, "&Center Tuning", "CenterTuningOnOff", [this] {
    core_.CenterTuningOnOff_Click();
    render();
  });
  MonitorMode = add(options, "Monitoring &Discriminator", "MonitorMode",
                    [this] { core_.Send(MonitorCommands(core_.status())); render(); });
  Mute = add(options, "&Mute", "Mute", [this] { core_.Send(MuteCommands(core_.status())); render(); });
  for (auto* action : {LightPermanent, CenterTuningOnOff, MonitorMode, Mute}) action->setCheckable(true);
  buildAnnounceMenu(options);
  options->addSeparator();
  IntegrationsMnu = add(options, "&Integrations...", "IntegrationsMnu", [this] { IntegrationsMnu_Click(); });
  RecordingMnu = add(options, "&Recording...", "RecordingMnu", [this] { RecordingMnu_Click(); });
  RecordNowMnu = add(options, "Record Call &Now", "RecordNowMnu", [this] { RecordNowMnu_Click(); });
  RemoteMnu = add(options, "Remo&te...", "RemoteMnu", [this] { RemoteMnu_Click(); });

  auto* help = menuBar()->addMenu("  &Help  ");
  help->setObjectName("HelpMenu");
  add(help, "&Type: Definitions", "HelpTypes", [this] { HelpTypes_Click(); });
  add(help, "&Center Tuning", "HelpCenterTuningMnu", [this] { HelpCenterTuningMnu_Click(); });
  const auto links = HelpMenuLinks();
  auto link = [this, &links](QMenu* menu, const QString& caption, std::string_view name) {
    for (const HelpLink& l : links)
      if (l.name == name) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name.data(), static_cast<int>(name.size())));
        connect(action, &QAction::triggered, this, [this, address = l.address] { core_.openLink(address); });
      }
  };
  link(help, contact::kAuthorCredit, "URLAuthorWebPage");
  auto* list = help->addMenu("&Scandeck mailing list");
  list->setObjectName("URLmailingList");
  link(list, "&Post a Public Message", "URLmailingListPost");
  link(list, "General &Informations", "URLmailingListGeneralInformations");
  link(list, "&Subscribe", "URLmailingListSubscribe");
  link(list, "&UnSubscribe", "URLmailingListUnsubscribe");
  link(help, QString("Mail ") + contact::kAuthorCredit, "MailAuthor");

  Aboutit = menuBar()->addAction("  &About  ");
  Aboutit->setObjectName("Aboutit");
  connect(Aboutit, &QAction::triggered, this, [this] { Aboutit_Click(); }, kModal);
}

void MainWindow::HelpTypes_Click() {
  if (!help_type_) help_type_ = new HelpType(this);
  help_type_->show();
  help_type_->raise();
}

void MainWindow::HelpCenterTuningMnu_Click() {
  if (!help_center_tuning_) help_center_tuning_ = new HelpCenterTuning(this);
  help_center_tuning_->show();
  help_center_tuning_->raise();
}

void MainWindow::Aboutit_Click() {
  About about(core_.desktop(), this);
  about.exec();
}

void MainWindow::EditMemories_Click() {
  if (!freq_dir_) freq_dir_ = new FreqDir(core_.readLink(), core_.desktop(), core_.freq(), core_.freqFile(), core_.decimalSeparator(), this);
  freq_dir_->show();
  freq_dir_->raise();
  freq_dir_->activateWindow();
}

void MainWindow::EditIDdir_Click() {
  core_.EditIDdir_Click();
  if (!id_dir_) id_dir_ = new IDdir(core_.readLink(), core_.desktop(), clock_, core_.ids(), core_.idFile(), this);
  id_dir_->show();
  id_dir_->raise();
  id_dir_->activateWindow();
}

void MainWindow::openDirectoryAt(HeardKind kind, int bank) {
  if (kind == HeardKind::Channel) {
    EditMemories_Click();
    if (freq_dir_) freq_dir_->showBank(bank);
  } else {
    EditIDdir_Click();
    if (id_dir_) id_dir_->showBank(bank);
  }
}

void MainWindow::PrintListsMnu_Click() {
  if (!print_window_) {
    print_window_ = new PrintFrm(core_.freq(), core_.ids(), core_.userName(), core_.desktop(), printers_, this);
    print_window_->setAttribute(Qt::WA_DeleteOnClose);
  }
  print_window_->show();
  print_window_->raise();
  print_window_->activateWindow();
}

void MainWindow::IntegrationsMnu_Click() {
  if (!integrations_window_) {
    integrations_window_ = new IntegrationsWindow(
        integrations_.settings(),
        {[this](const IntegrationSettings& s) { return integrations_.apply(s); },
         [this] { return integrations_.statusLine(); }, [this] { return ToQt(integrations_.nowPlaying()); }},
        this);
    integrations_window_->setAttribute(Qt::WA_DeleteOnClose);
    addMqttPart(integrations_window_);
  }
  integrations_window_->ShowIntegrations();
}

void MainWindow::SetupLog_Click() {
  if (!log_window_) {
    log_window_ = new Log(core_.logSettings(), [this](const LogSetupForm& form) { core_.ConfirmLogSetup(form); }, this);
    log_window_->setAttribute(Qt::WA_DeleteOnClose);
  }
  log_window_->SetupLog();
  connect(log_window_, &QObject::destroyed, this, [this] { render(); }, Qt::UniqueConnection);
}

void MainWindow::Form_Load() {
  core_.Form_Load();
  integrations_.load();
  startMqtt(ReadMqttFile(core_.path(kMqttFileName), FromQt(QSysInfo::machineHostName())));
  recording_.load();
  feedStream();
  connect(&integrations_, &Integrations::streamChanged, this, &MainWindow::feedStream);
  startRemote(remoteSettings());
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
  const QSize client = clientSizeFor(core_.windowWidth(), core_.windowHeight());
  applying_size_ = true;
  centralWidget()->setMinimumSize(0, 0);
  resize(client.width(), client.height() + menuBar()->sizeHint().height());
  applying_size_ = false;
  showDataPanel(Twips(this, client.height()) > kPanelHeight + 300);
}

void MainWindow::showDataPanel(bool shown) {
  if (shown == !dataPanel_->isHidden()) return;
  if (shown && !temp) buildDataPanel(dataPanel_);
  dataPanel_->setVisible(shown);
  // A hidden panel is not kept up to date: it catches up when it appears.
  if (shown) renderDataPanel();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!centralWidget()) return;
  const QSize client = centralWidget()->size();
  showDataPanel(Twips(this, client.height()) > kPanelHeight + 300);
  if (applying_size_ || !isVisible()) return;
  core_.setWindowSize(static_cast<float>(std::round(Twips(this, client.width()) + kFrameWidth)),
                      static_cast<float>(std::round(Twips(this, client.height()) + kFrameHeight)));
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  DropTextDocuments(this);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    MainTimer.stop();
    mqtt_.reset();  // "offline" before the process ends
    remote_.reset();
    core_.Form_Unload();
  }
  event->accept();
}

void MainWindow::EndSession() {
  if (closing_) return;
  closing_ = true;
  MainTimer.stop();
  mqtt_.reset();
  remote_.reset();
  if (Failure f = core_.EndSession())
    std::fprintf(stderr, "scandeck: %s\n", MailReport("Saving Config Error : ", f).c_str());
  tray_->RemoveTrayIcon();
  QCoreApplication::exit(0);
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
  if (!core_.port().isOpen()) heard_->list().lineLost();
  heard_->tick();
  render();
  integrations_.update(core_.status());
  if (mqtt_) mqtt_->update(core_.status());
  if (remote_) remote_->update(StatusJson(core_.status()));
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
  const QWidget* focus = QApplication::focusWidget();
  const QString focus_name = focus ? focus->accessibleName() : QString();
  renderCompact();
  // A port that came back says so in the title for a while.
  const QString note = ToQt(core_.connectionNote());
  const QString title = note.isEmpty() ? QString(contact::kProgramTitle) : contact::kProgramTitle + (" - " + note);
  if (windowTitle() != title) setWindowTitle(title);
  const ScannerStatus& s = core_.status();
  ShowValue(ModeLbl, s.ModeText);
  ShowValue(FrequencyBox, s.FrequencyText);
  ShowValue(ChLbl, s.ChannelNumber);
  ShowValue(NameLbl, s.ChannelName);
  ShowValue(TypeLbl, s.ChannelType);
  ShowPicture(SQopen, s.SquelchOpen, squelch_picture_, "Squelch open", "Squelch closed");
  ShowValue(FreqBankLbl, s.TrunkBank);
  ShowValue(SystemLbl, s.SystemName);
  ShowValue(IDBox, s.TalkgroupId);
  ShowValue(IDNameLbl, s.TalkgroupName);
  ShowValue(IDTypeLbl, s.TalkgroupType);
  ShowPicture(IDListen, s.TalkgroupActive, talkgroup_picture_, "Talkgroup active", "No talkgroup active");
  ShowValue(IDchLbl, s.IdChannel);
  ShowValue(IDChLblMain, s.IdChannel);
  ShowValue(IDlbl[0], s.IdChannelId);
  ShowValue(TrunkingNameLbl, s.IdChannelName);
  ShowValue(TrunkingTypeLbl, s.IdChannelType);

  const bool flags[] = {s.DataSkipOn, s.AttenuatorOn, s.PriorityOn, s.DelayOn, s.LockoutOn};
  for (int i = 0; i < 5; ++i) ShowLit(buttonlbl[i], flags[i]);
  for (int k = 1; k <= 10; ++k) {
    ShowLit(BankLbl[k], s.BankLit[k]);
    ShowLit(IDlbl[k], s.IdBankLit[k]);
  }

  LightOn->setVisible(s.LightState);
  LightOff->setVisible(!s.LightState);
  ShowMenuCheck(LightPermanent, s.LightState);
  ShowMenuCheck(Mute, s.AudioState == Audio::Mute);
  ShowMenuCheck(MonitorMode, s.AudioState == Audio::Monitor);

  // The limit boxes are also the user's input: only a new reply overwrites them.
  const std::string* limits[] = {&s.LowerLimit, &s.UpperLimit};
  QLineEdit* boxes[] = {LLbox, LUbox};
  for (int i = 0; i < 2; ++i) {
    if (*limits[i] == rendered_limits_[i]) continue;
    rendered_limits_[i] = *limits[i];
    boxes[i]->setText(ToQt(*limits[i]));
  }

  ShowMenuCheck(CenterTuningOnOff, s.CenterTuningOn);
  TunLine->setVisible(s.CenterTuningOn);
  if (s.TuningOffset != rendered_offset_) {
    rendered_offset_ = s.TuningOffset;
    if (const QString needle = TuningNeedleName(s.TuningOffset); TunLine->accessibleName() != needle)
      TunLine->setAccessibleName(needle);  // each call is announced, changed or not
    PlaceTw(TunLine, s.TuningOffset - 15, 480, 30, 720);
  }

  ShowMenuCheck(SeeCode, core_.seeCodeChecked());
  ShowMenuCheck(LogOnOFF, core_.logOnOffChecked());
  renderDataPanel();
  announce(focus, focus_name);
}

void MainWindow::renderDataPanel() {
  // Rebuilding the pane's text document on every tick was most of a tick's work.
  if (dataPanel_->isHidden()) return;
  if (const std::string& received = core_.link().receive().pane(); received != rendered_pane_) {
    rendered_pane_ = received;
    QString pane = ToQt(received);
    pane.replace("\r\n", "\n");
    temp->setPlainText(pane);
  }

  const auto& sent = core_.txData();
  if (static_cast<std::size_t>(TxData->count()) > sent.size()) TxData->clear();
  for (std::size_t i = static_cast<std::size_t>(TxData->count()); i < sent.size(); ++i) TxData->addItem(ToQt(sent[i]));
}

}  // namespace scandeck
