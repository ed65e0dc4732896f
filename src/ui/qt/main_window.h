#pragma once
// The main window: the scanner's status display, its control panel and the data
// panel. It wires controls to MainCore and renders MainCore's state after each tick.
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <array>
#include <cstdint>
#include <optional>

#include "announce/core/announcements.h"
#include "audio/qt/recording.h"
#include "common/core/clock.h"
#include "heard/qt/heard_window.h"
#include "integrations/qt/integrations.h"
#include "mqtt/qt/mqtt_service.h"
#include "print/qt/printers.h"
#include "remote/qt/remote_server.h"
#include "remote/qt/remote_window.h"
#include "ui/core/main_core.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QFrame;

namespace scandeck {

class ClickLabel;
class HelpType;
class FreqDir;
class SmartView;
class SpokenNotice;
class TrayIcon;
class IDdir;
class HelpCenterTuning;
class Log;
class PrintFrm;
class IntegrationsWindow;
class RecordingWindow;

// A Heard row's key as call recording names it.
CallKey CallKeyOf(const HeardKey& key);

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow(MainCore& core, QWidget* parent = nullptr);
  // The core may outlive the window: it stops reporting activity to the Heard list.
  ~MainWindow() override;

  // Start-up, before the window is first shown.
  void Form_Load();
  // Applies the core's window size and data panel state.
  void applyWindowSize();
  // Shows the core's state.
  void render();
  // The session ends or the process was told to stop: the shut-down without its
  // question, the tray icon removed, then every event loop left in order.
  void EndSession();

  MainCore& core() { return core_; }
  HeardSession& heard() { return *heard_; }
  QTimer& mainTimer() { return MainTimer; }

  // Handlers, named after their controls.
  void MainTimer_Timer();
  void SndCmd_Click();
  void TxData_DblClick();
  void Clear_Click();
  void SeeCode_Click();
  void testcmd_Click();
  void ChannelBox_KeyPress();
  void IDChannelBox_KeyPress();
  void IDChannelBoxII_KeyPress();
  void ApplyLimit_Click();
  void Searching_Click();
  void HelpTypes_Click();
  void HelpCenterTuningMnu_Click();
  void Aboutit_Click();
  void SetupLog_Click();
  void EditMemories_Click();
  // The compact modes (main_compact.cpp).
  void SmartViewMode_Click() { enterCompactMode(false); }
  void PopUpSmartViewMode_Click() { enterCompactMode(true); }
  void SmartView_Unload();
  void picTray_DoubleClick();
  SmartView* smartView() const { return smart_view_; }
  TrayIcon& tray() { return *tray_; }
  void EditIDdir_Click();
  // The directory window of a Heard row, at its bank.
  void openDirectoryAt(HeardKind kind, int bank);
  void PrintListsMnu_Click();
  void IntegrationsMnu_Click();
  // Stream title, overlay file and rig port, fed the status after every tick.
  Integrations& integrations() { return integrations_; }
  // Call recording (main_recording.cpp): every call the Heard list counts goes to it.
  Recording& recording() { return recording_; }
  void RecordingMnu_Click();
  void RemoteMnu_Click();
  void RecordNowMnu_Click();
  // Announcements (main_announce.cpp).
  void AnnounceMnu_Click(AnnounceChoice choice);
  const SpokenNotice& notice() const { return *notice_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenus();
  void buildStatusFrame(QWidget* panel);
  void buildTrunkingFrame(QWidget* panel);
  void buildKeys(QWidget* panel);
  void buildDirectSeeking(QWidget* panel);
  void buildSearching(QWidget* panel);
  void buildCenterTuning(QWidget* panel);
  void buildDataPanel(QWidget* panel);
  void renderDataPanel();
  void showDataPanel(bool shown);
  QSize clientSizeFor(float outer_width_twips, float outer_height_twips) const;

  MainCore& core_;
  QTimer MainTimer;
  bool closing_ = false;
  bool applying_size_ = false;

  // Menus
  QAction* SeeCode;
  QAction* Config;
  QAction* ResetAllStatusMnu;
  QAction* RemoteControlOff;
  QAction* Upgrade;
  QAction* Exit;
  QAction* SmartViewMode;
  QAction* PopUpSmartViewMode;
  QAction* Scan;
  QAction* Manual;
  QAction* Trunk;
  QAction* Search;
  QAction* EditIDdir;
  QAction* EditMemories;
  QAction* HeardMnu;
  QAction* PrintListsMnu;
  QMenu* LogFontion;
  QAction* LogOnOFF;
  QAction* SetupLog;
  QAction* StatisticsLog;
  QAction* LightPermanent;
  QAction* CenterTuningOnOff;
  QAction* MonitorMode;
  QAction* Mute;
  QAction* IntegrationsMnu;
  QAction* RecordingMnu;
  QAction* RemoteMnu;
  QAction* RecordNowMnu;
  QAction* Aboutit;

  // Status display
  QWidget* panel_;
  QLabel* ModeLbl;
  QLabel* FrequencyBox;
  QLabel* ChLbl;
  QLabel* NameLbl;
  QLabel* TypeLbl;
  QLabel* SQopen;
  QLabel* FreqBankLbl;
  QLabel* SystemLbl;
  QLabel* IDBox;
  QLabel* IDNameLbl;
  QLabel* IDTypeLbl;
  QLabel* IDListen;
  QLabel* IDchLbl;
  QLabel* IDChLblMain;
  QLabel* TrunkingNameLbl;
  QLabel* TrunkingTypeLbl;
  std::array<ClickLabel*, 11> IDlbl{};
  std::array<ClickLabel*, 5> buttonlbl{};
  std::array<ClickLabel*, 11> BankLbl{};  // 1..10
  std::array<QPushButton*, 7> Button{};
  ClickLabel* LightOn;
  ClickLabel* LightOff;
  ClickLabel* LightAuto;
  QGroupBox* Searching;
  QLineEdit* ChannelBox;
  QLineEdit* IDChannelBox;
  QLineEdit* IDChannelBoxII;
  QLineEdit* LLbox;
  QLineEdit* LUbox;
  QPushButton* ApplyLimit;
  QWidget* CenterTuning;
  QFrame* TunLine;

  // Data panel
  QWidget* dataPanel_;
  // Built when the data panel first appears: most runs never show it.
  QPlainTextEdit* temp = nullptr;
  QListWidget* TxData = nullptr;
  QLineEdit* CmdToBeSendBox = nullptr;
  QPushButton* SndCmd = nullptr;
  QPushButton* Clear = nullptr;
  QPushButton* testcmd = nullptr;

  std::string rendered_limits_[2];
  std::string rendered_pane_;
  bool shown_once_ = false;
  std::optional<double> rendered_offset_;
  QPointer<HelpType> help_type_;
  QPointer<HelpCenterTuning> help_center_tuning_;
  QPointer<Log> log_window_;
  QPointer<PrintFrm> print_window_;
  QtPrinters printers_;
  void enterCompactMode(bool pop_up);
  void renderCompact();
  SmartView* smart_view_ = nullptr;
  TrayIcon* tray_;
  DesktopNotifier notifier_;
  std::unique_ptr<HeardSession> heard_;
  QPointer<FreqDir> freq_dir_;
  QPointer<IDdir> id_dir_;
  SteadyClock clock_;
  Integrations integrations_;
  QPointer<IntegrationsWindow> integrations_window_;
  // MQTT (main_mqtt.cpp): made only while mqtt.ini switches it on.
  void startMqtt(const MqttSettings& settings);
  QString applyMqtt(const MqttSettings& settings);
  void addMqttPart(IntegrationsWindow* window);
  void publishCall(const HeardRow& row, bool started);
  std::unique_ptr<MqttService> mqtt_;
  // The page in a browser (main_remote.cpp): made only while remote.ini serves it.
  void startRemote(const RemoteSettings& settings);
  QString applyRemote(const RemoteSettings& settings);
  void remoteCall(const HeardRow& row, bool started);
  void pressRemoteKey(const RemoteKey& key);
  std::string remoteHeard();
  RemoteSettings remoteSettings() const;
  std::unique_ptr<RemoteServer> remote_;
  QPointer<RemoteWindow> remote_window_;
  Recording recording_;
  QPointer<RecordingWindow> recording_window_;
  void recordActivity(const HeardKey& key, bool started, Millis at);
  // The stream takes the capture's audio while it is switched on.
  void feedStream();
  QPixmap squelch_picture_;
  QPixmap talkgroup_picture_;
  void buildAnnounceMenu(QMenu* options);
  void announce(const QWidget* focus, const QString& focus_name_before);
  Announcer announcer_;
  SpokenNotice* notice_ = nullptr;
};

}  // namespace scandeck
