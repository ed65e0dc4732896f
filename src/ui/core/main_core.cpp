#include "ui/core/main_core.h"

#include <cmath>

#include "common/core/text.h"
#include "link/core/protocol.h"
#include "status/core/status_sweep.h"

namespace scandeck {

MainCore::MainCore(SerialPort& device, Desktop& desktop, std::string folder, char decimal_separator,
                   const Clock* clock)
    : desktop_(desktop),
      folder_(std::move(folder)),
      separator_(decimal_separator),
      port_(device),
      link_(port_, desktop),
      processor_(link_, desktop, Status, Compact, Freq, Ids, decimal_separator),
      poll_(link_, processor_),
      clock_(clock ? *clock : steady_clock_) {}

namespace {
constexpr int kNoteTicks = 200;  // ten seconds of "Scanner connected again"
constexpr const char* kConnectedAgain = "Scanner connected again";
}  // namespace

void MainCore::MainTimer_Timer() {
  if (recovery_.tick(port_, clock_.now())) {
    // As at start-up: a fresh line, the scanner's state asked for once.
    poll_.forgetCopies();
    scandeck::ResetAllStatus(link_);
    link_.takePending();
    connection_note_ = kConnectedAgain;
    note_ticks_ = kNoteTicks;
  } else if (note_ticks_ > 0 && --note_ticks_ == 0) {
    connection_note_.clear();
  }
  poll_.MainTimer_Timer();
}

std::string MainCore::path(const std::string& file) const {
  if (folder_.empty() || folder_ == ".") return file;
  return folder_ + "/" + file;
}

void MainCore::Form_Load() {
  // Month names are constants (kMonthNames); nothing to fill at run time.
  ReadConfigFile(path(kConfigFileName), *this);
  LogOnOFFChecked = Log.enabled();

  if (Failure f = LoadFreqDirectory(path(kFreqFileName), FreqFile, Freq, separator_))
    desktop_.message(MailReport(kFreqFileErrorLabel, f));
  if (Failure f = LoadIdDirectory(path(kIdFileName), IdFile, Ids)) desktop_.message(MailReport(kIdFileErrorLabel, f));

  open_failure_.clear();
  if (!port_.open(open_failure_)) {
    desktop_.message("Comm port Error!");
    desktop_.runSetup();
  }

  poll_.setEnabled(true);
  // A failed write stops the sweep; with the port closed the first poll tick says so.
  scandeck::ResetAllStatus(link_);
  link_.takePending();
}

void MainCore::Form_Unload() {
  recovery_.stop();
  if (desktop_.askYesNo("Question", "Do you want to REMOTE OFF your BC245xlt ?") && port_.isOpen())
    link_.SendCommand(protocol::cmd::kKeyRemoteOff);
  link_.takePending();
  if (port_.isOpen()) port_.close();
  // No log file is ever opened by this version, so there is none to close.
  if (Failure f = WriteConfigFile(path(kConfigFileName), CurrentConfig()))
    desktop_.message(MailReport("Saving Config Error : ", f));
}

void MainCore::saveConfig() {
  if (Failure f = WriteConfigFile(path(kConfigFileName), CurrentConfig()))
    desktop_.report(MailReport("Saving Config Error : ", f));
}

void MainCore::LogOnOFF_Click() {
  ToggleLogEnable(Log);
  LogOnOFFChecked = Log.enabled();
  saveConfig();
}

void MainCore::ConfirmLogSetup(const LogSetupForm& form) {
  scandeck::ConfirmLogSetup(form, Log);
  saveConfig();
  LogOnOFFChecked = Log.enabled();
}

ScanDeckConfig MainCore::CurrentConfig() const {
  ScanDeckConfig c;
  c.UserName = UserName;
  c.CommPort = std::to_string(port_.portNumber());
  c.CommSettings = port_.settings();
  c.LogFileNameVal = Log.FileName;
  c.LogFlagsVal = Log.Flags;
  c.WindowWidth = WindowWidth;
  c.WindowHeight = WindowHeight;
  return c;
}

SetupChoice MainCore::CurrentSetupChoice() const {
  return SetupChoiceFor(UserName, port_.portNumber(), port_.settings());
}

SetupPorts MainCore::CurrentSetupPorts(std::vector<SerialDevice> found) const {
  return SetupPortsFor(folder_, std::move(found), open_failure_);
}

Failure MainCore::EndSession() {
  recovery_.stop();
  link_.takePending();
  if (port_.isOpen()) port_.close();
  return WriteConfigFile(path(kConfigFileName), CurrentConfig());
}

void MainCore::ConfirmSetup(const SetupChoice& choice) {
  // The link first: a port pointed nowhere new must not be saved as if it were.
  if (Failure f = LinkChosenDevice(choice, folder_)) {
    desktop_.message(LinkFailedText(choice, f));
    return;
  }
  const ScanDeckConfig config = ConfigForSetup(choice, CurrentConfig());
  UserName = config.UserName;
  if (Failure f = WriteConfigFile(path(kConfigFileName), config)) {
    // Nothing was saved: say so and let the user try again rather than restart for nothing.
    desktop_.message(MailReport("Saving Config Error : ", f));
    return;
  }
  desktop_.message(kSetupSavedMessage);
  desktop_.endProcess();
}

void MainCore::ResetAllStatus() {
  const Failure failure = scandeck::ResetAllStatus(link_);
  link_.takePending();
  link_.reportOnce("Send Error : ", failure);
}

bool MainCore::SndCmd(const std::string& typed) {
  const auto command = TypedCommand(typed);
  if (!command) return false;
  link_.Send(*command);
  TxData.push_back(*command);
  return true;
}

void MainCore::TxData_DblClick(std::size_t line) {
  if (line >= TxData.size()) return;
  const std::string listed = TxData[line];
  if (TrimSpace(listed).empty()) return;
  link_.Send(listed);
  TxData.push_back(listed);
}

void MainCore::Clear_Click() {
  TxData.clear();
  link_.receive().clearPane();
}

void MainCore::SeeCode_Click() {
  SeeCodeChecked = !SeeCodeChecked;
  WindowWidth = kMainWidth;
  WindowHeight = SeeCodeChecked ? kMainHeightPanelShown : kMainHeightPanelHidden;
}

void MainCore::testcmd_Click() {
  poll_.setEnabled(false);
  for (const auto& command : TestCommands()) {
    link_.receive().setPane(command);
    link_.Send(link_.receive().pane());
  }
  poll_.setEnabled(true);
}

void MainCore::Send(const Commands& commands) {
  for (const auto& command : commands) link_.Send(command);
}

void MainCore::BankLbl_Click(int bank) { link_.Send(ToggleBank(Status.ScanBanks, bank, protocol::cmd::kSetScanBanks)); }

void MainCore::IDlbl_Click(int bank) { link_.Send(ToggleBank(Status.IdScanBanks, bank, protocol::cmd::kSetIdBanks)); }

void MainCore::ChannelBox_Enter(const std::string& text) {
  if (auto command = ChannelEnter(Printable(text) + "\r")) link_.Send(*command);
}

bool MainCore::IDChannelBoxII_Enter(const std::string& bank_text, const std::string& channel_text) {
  const auto command = IdChannelCommand(bank_text, channel_text);
  if (!command) return false;
  link_.receive().setPane(*command);
  link_.Send(*command);
  return true;
}

void MainCore::EnterCompactMode(bool pop_up) {
  if (pop_up) Compact.SmartViewState = kPopUpMode;
  link_.reportOnce("Send Error : ", scandeck::EnterCompactMode(Compact, Status, link_));
}

void MainCore::setLogFlags(const std::array<int, 9>& flags) {
  for (std::size_t i = 0; i < flags.size(); ++i) Log.Flags[i] = flags[i];
}

namespace {
bool AcceptableSize(float twips) { return std::isfinite(twips) && twips > 0 && twips <= 100000; }
}  // namespace

bool MainCore::setWindowWidth(float twips) {
  if (!AcceptableSize(twips)) return false;
  WindowWidth = twips;
  return true;
}

bool MainCore::setWindowHeight(float twips) {
  if (!AcceptableSize(twips)) return false;
  WindowHeight = twips;
  return true;
}

}  // namespace scandeck
