#pragma once
// The ID directory window's rules: one ID bank (ten talkgroups) of one trunked
// bank in a grid, filled from the directory or read out of the scanner, each
// talkgroup named and typed. The window renders this state and forwards events.
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/clock.h"
#include "common/core/reporter.h"
#include "directory/core/entry_text.h"
#include "directory/core/id_directory.h"
#include "link/core/read_session.h"

namespace scandeck {

inline constexpr int kIdGridColumns = 7;
using IdGridRow = std::array<std::string, kIdGridColumns>;
inline constexpr std::array<std::string_view, kIdGridColumns> kIdGridHeader = {"Ch", "ID", "Type", "Name", "L/O", "Mode", ""};
// Widths of columns 0..5 in twips; column 6 keeps the grid's default width.
inline constexpr std::array<int, 6> kIdColumnTwips = {500, 1000, 500, 3000, 400, 650};
inline constexpr std::size_t kIdReplyLines = 200;
inline constexpr std::chrono::milliseconds kIdReadPause{1700};
inline constexpr const char* kIdWaitCaption = "Please wait a moment ...";

// Where a reply line of an ID read went.
enum class IdReply { Other, TrunkBank, IdChannel, Refused };

// Applies one line of an ID read: "TB" sets `bank` and the system's text, "IC"
// stores the ID of the entry it names in `bank`. Refused: a bank letter outside
// "A".."J", or an "IC" reply while the bank is not one of the directory's;
// nothing is touched.
IdReply ApplyIdReply(std::string_view line, IdDirectory& dir, int& bank, std::string& system_text);

struct IdPanel {
  std::string ChBox, IDBox, TypeCmb, NameBox;
};

class IdDirCore {
 public:
  enum class Phase { Idle, Queries, Completion, Pause, LateWait };

  IdDirCore(ReadLink link, Reporter& reporter, const Clock& clock, IdDirectory& dir, RecordFile& file);

  bool fromScanner = false;
  // Off: the read completes when its pause is over whatever has arrived (for measuring).
  bool waitForLateReplies = true;

  // The texts of the two bank lists, as every action reads them again.
  std::string BankText, IDBankText;

  void IDBankCmb_Click();
  // One step of a read. During the pause after the completion's commands it does
  // nothing until the pause is over; the window waits pauseLeft() without input.
  void IDTimer_Timer();
  std::chrono::milliseconds pauseLeft() const;
  void IDList_Select(int row);
  // The name box's text changed; returns the text the box must show instead when
  // Enter was pressed (the entry is then saved).
  std::optional<std::string> NameBox_Change(const IdPanel& panel);
  void SaveImg_Click(const IdPanel& panel);
  void DeleteImg_Click();
  // "OK" writes the displayed ID bank; "Cancel" writes nothing. Both close.
  void OkCmd_Click() { WriteBank(); }
  void Close();
  // A read cut short by the window going away still gives the link back.
  ~IdDirCore() { Close(); }
  IdDirCore(const IdDirCore&) = delete;
  IdDirCore& operator=(const IdDirCore&) = delete;

  void FormatGrid();
  void WriteBank() { WriteBank(ListValue(BankText), idBank()); }
  // Writes ID bank g of bank `bank` as it is in the directory.
  void WriteBank(int bank, int g);

  Phase phase() const { return phase_; }
  bool reading() const { return phase_ != Phase::Idle; }
  bool waitVisible() const { return phase_ == Phase::Queries || phase_ == Phase::Completion; }
  // True while no input may reach the window (the pause and the wait after it).
  bool inputBlocked() const { return phase_ == Phase::Pause || phase_ == Phase::LateWait; }
  bool systemVisible() const { return !waitVisible(); }
  const std::string& waitText() const { return wait_text_; }
  const std::string& systemText() const { return system_text_; }
  int selectedBank() const { return bank_; }
  int selectedEntry() const { return selected_entry_; }
  const std::vector<IdGridRow>& grid() const { return grid_; }
  int gridVersion() const { return grid_version_; }
  const IdPanel& panel() const { return panel_; }

 private:
  int idBank() const;
  void queries();
  void completionCommands();
  void complete();
  bool send(std::string_view command, Failure& failure);
  void reportIf(const char* label, const Failure& failure);

  ReadLink link_;
  Reporter& reporter_;
  const Clock& clock_;
  IdDirectory& dir_;
  RecordFile& file_;

  Phase phase_ = Phase::Idle;
  int bank_ = 0;
  int read_id_bank_ = 0;
  int step_ = 0;
  int progress_ = 0;
  int selected_entry_ = 0;
  std::chrono::milliseconds pause_until_{0};
  std::string ReceiveBuffer;
  LateReplyWait wait_;
  std::string wait_text_ = kIdWaitCaption;
  std::string system_text_;
  std::vector<IdGridRow> grid_;
  int grid_version_ = 0;
  IdPanel panel_;
};

}  // namespace scandeck
