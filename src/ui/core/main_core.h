#pragma once
// Everything the main window owns and does, without the window: the link and its
// poll, the scanner's status, the directories, start-up and shut-down, the data
// panel and the control panel. The Qt window wires controls to this and renders it.
#include <memory>
#include <string>
#include <vector>

#include "app/core/config.h"
#include "app/core/setup.h"
#include "common/core/clock.h"
#include "common/core/desktop.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "directory/core/record_file.h"
#include "link/core/link.h"
#include "link/core/pag_com.h"
#include "link/core/poll_cycle.h"
#include "link/core/port_recovery.h"
#include "link/core/protocol.h"
#include "link/core/read_session.h"
#include "log/core/activity_log.h"
#include "status/core/compact_view.h"
#include "status/core/process_replies.h"
#include "status/core/scanner_status.h"
#include "ui/core/control_panel.h"

namespace scandeck {

// Outer sizes of the main window, twips.
inline constexpr float kMainWidth = 7320;
inline constexpr float kMainHeightPanelHidden = 5460;
inline constexpr float kMainHeightPanelShown = 8145;

inline constexpr const char* kIdDirectoryInstructions =
    "Temporaly...\n\n1. Be sure that the only scan band\n    will be the trunking system that you want\n\n"
    "2. Select the FreqBank\n\n3. Select the ID Bank\n\n4. Happy Listening :)";

class MainCore final : public ConfigTarget {
 public:
  MainCore(SerialPort& device, Desktop& desktop, std::string folder = ".", char decimal_separator = '.',
           const Clock* clock = nullptr);

  // Start-up, in its fixed order; returns when the window may be shown.
  void Form_Load();
  // Shut-down when the user closes the main window.
  void Form_Unload();
  // Shut-down when the session ends or the process is told to stop: nobody is
  // there to answer the question, so no "REMOTE OFF". The port is closed and
  // scandeck.ini written; returns why writing it failed, if it did.
  Failure EndSession();
  // File > Exit: ends the process at once, nothing asked, nothing written.
  void Exit_Click() { desktop_.endProcess(); }
  // File > Setup: the setup window, as start-up shows it when the port will not open.
  void Config_Click() { desktop_.runSetup(); }
  // The setup window's OK: writes the configuration, says so, ends the process.
  void ConfirmSetup(const SetupChoice& choice);
  SetupChoice CurrentSetupChoice() const;
  // The setup window's device side, for the devices the system reports now.
  SetupPorts CurrentSetupPorts(std::vector<SerialDevice> found) const;

  // The current settings as the writers store them.
  ScanDeckConfig CurrentConfig() const;

  void ResetAllStatus();

  // --- data panel
  // Manual command: trimmed, upper-cased, sent, listed in "Tx Data". False when blank.
  bool SndCmd(const std::string& typed);
  void TxData_DblClick(std::size_t line);
  void Clear_Click();
  void SeeCode_Click();
  void testcmd_Click();
  const std::vector<std::string>& txData() const { return TxData; }
  bool seeCodeChecked() const { return SeeCodeChecked; }

  // --- control panel
  void Send(const Commands& commands);
  void Button_Click(PanelButton button) { Send(ButtonCommands(button)); }
  void buttonlbl_Click(int index) { Send(StatusLabelCommands(index, Status)); }
  void BankLbl_Click(int bank);
  void IDlbl_Click(int bank);
  void CenterTuningOnOff_Click() { Status.CenterTuningOn = !Status.CenterTuningOn; }
  void ChannelBox_Enter(const std::string& text);
  // False when the entry names no ID bank and channel: nothing is sent.
  bool IDChannelBoxII_Enter(const std::string& bank_text, const std::string& channel_text);
  void ApplyLimit_Click(const std::string& lower, const std::string& upper) {
    Send(LimitCommands(lower, upper));
  }

  // --- activity log (switched off: nothing calls Logging, no file is opened)
  void LogOnOFF_Click();
  // The log setup window's OK.
  void ConfirmLogSetup(const LogSetupForm& form);
  void Logging(std::string_view fr, std::string_view frt, std::string_view frn, std::string_view ID,
               std::string_view idt, std::string_view idn) {
    log_.Logging(fr, frt, frn, ID, idt, idn);
  }

  // --- help menu and about window
  void openLink(const std::string& address) { desktop_.openLink(address); }
  Desktop& desktop() { return desktop_; }

  // --- directory windows
  // "Edit &ID Directory" first tells the user how to prepare the scanner.
  void EditIDdir_Click() { desktop_.message(kIdDirectoryInstructions); }
  ReadLink readLink() { return ReadLink(link_, poll_, link_hold_); }
  Reporter& reporter() { return desktop_; }

  // --- compact window
  void EnterCompactMode(bool pop_up);
  void PopUpLbl_Click() { SwitchToPopUp(Compact); }
  void HoldCmd_Click() { link_.Send(protocol::cmd::kKeyHold); }
  void picTray_DoubleClick() { ShowFromTray(Compact); }
  void SmartView_Unload() { CloseCompactView(Compact); }

  // Who hears of squelch and talkgroup activity (the Heard list).
  void setActivityEvents(ActivityEvents* events) { processor_.setActivityEvents(events); }
  void RefreshNames() { processor_.RefreshNames(); }
  const std::string& folder() const { return folder_; }
  const Clock& clock() const { return clock_; }

  // The 50 ms tick; a port lost since start-up is tried again on its schedule.
  void MainTimer_Timer();
  // "Scanner connected again" for a while after a lost port opened again, else empty.
  const std::string& connectionNote() const { return connection_note_; }
  PortRecovery& recovery() { return recovery_; }
  PollCycle& poll() { return poll_; }

  // ConfigTarget: values applied while reading scandeck.ini.
  void setUserName(const std::string& name) override { UserName = name; }
  bool setCommPort(long long number) override { return port_.setPortNumber(number); }
  bool setCommSettings(const std::string& settings) override { return port_.setSettings(settings); }
  void setLogFileName(const std::string& name) override { Log.FileName = name; }
  void setLogFlags(const std::array<int, 9>& flags) override;
  bool setWindowWidth(float twips) override;
  bool setWindowHeight(float twips) override;

  // --- what the windows show; each secondary window is handed only the parts it uses
  const std::string& userName() const { return UserName; }
  const LogSettings& logSettings() const { return Log; }
  bool logOnOffChecked() const { return LogOnOFFChecked; }
  float windowWidth() const { return WindowWidth; }
  float windowHeight() const { return WindowHeight; }
  // The main window's outer size in twips, kept for scandeck.ini.
  void setWindowSize(float width, float height) {
    WindowWidth = width;
    WindowHeight = height;
  }
  FreqDirectory& freq() { return Freq; }
  IdDirectory& ids() { return Ids; }
  RecordFile& freqFile() { return FreqFile; }
  RecordFile& idFile() { return IdFile; }
  const ScannerStatus& status() const { return Status; }
  ScannerStatus& status() { return Status; }
  const CompactView& compact() const { return Compact; }

  PagCom& port() { return port_; }
  Link& link() { return link_; }
  char decimalSeparator() const { return separator_; }
  std::string path(const std::string& file) const;

 private:
  std::vector<std::string> TxData;
  bool SeeCodeChecked = false;
  std::string UserName;
  LogSettings Log;
  bool LogOnOFFChecked = false;
  float WindowWidth = kMainWidth;
  float WindowHeight = kMainHeightPanelHidden;

  FreqDirectory Freq;
  RecordFile FreqFile;
  IdDirectory Ids;
  RecordFile IdFile;
  ScannerStatus Status;
  CompactView Compact;

  Desktop& desktop_;
  std::string folder_;
  char separator_;
  PagCom port_;
  Failure open_failure_;  // why start-up could not open the port, for the setup window
  Link link_;
  StatusProcessor processor_;
  PollCycle poll_;
  LinkHold link_hold_;
  SteadyClock steady_clock_;
  const Clock& clock_;
  PortRecovery recovery_;
  std::string connection_note_;
  int note_ticks_ = 0;
  SystemLogClock log_clock_;
  ActivityLog log_{Log, log_clock_, desktop_};
  void saveConfig();
};

}  // namespace scandeck
