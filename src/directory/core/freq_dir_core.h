#pragma once
// The frequency directory window's rules: one bank of 30 channels in a grid,
// filled from the directory or read out of the scanner, each channel named and
// typed. The window renders this state and forwards its events.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/reporter.h"
#include "directory/core/entry_text.h"
#include "directory/core/freq_directory.h"
#include "link/core/read_session.h"

namespace scandeck {

inline constexpr int kFreqGridColumns = 10;
using FreqGridRow = std::array<std::string, kFreqGridColumns>;
// The header as the window opens and as FormatGrid writes it ("DLY").
inline constexpr std::array<std::string_view, kFreqGridColumns> kFreqOpeningHeader = {
    "Ch", "Frequency", "Type", "Name", "Dly", "L/O", "Mode", "Map#", "X", "Y"};
inline constexpr std::array<std::string_view, kFreqGridColumns> kFreqGridHeader = {
    "Ch", "Frequency", "Type", "Name", "DLY", "L/O", "Mode", "Map#", "X", "Y"};
// Column widths in twips; a width of 0 hides the column.
inline constexpr std::array<int, kFreqGridColumns> kFreqColumnTwips = {500, 1000, 500, 2500, 400, 400, 650, 0, 0, 0};
inline constexpr int kFreqPmPerTick = 5;
inline constexpr std::size_t kFreqReplyLines = 200;
inline constexpr const char* kFreqWaitCaption = "Please wait a moment ...";

// A "C" reply to "PM": channel at 2–4, frequency in 100 Hz units at 7–14, trunk,
// delay and lock-out flags at 17, 20 and 23. Updates the channel it names and
// returns its number; nullopt (nothing touched) for any other line or a channel
// outside 1..300.
std::optional<int> ApplyChannelReply(std::string_view line, FreqDirectory& dir, char decimal_separator);

// The panel of the selected channel.
struct FreqPanel {
  std::string ChBox, FreqBox, TypeCmb, NameBox;
};

class FreqDirCore {
 public:
  FreqDirCore(ReadLink link, Reporter& reporter, FreqDirectory& dir, RecordFile& file, char decimal_separator);

  // "Data from": true for "Scanner*", false for "File" (the initial choice).
  bool fromScanner = false;
  // "Data to ": "File".
  bool writeFile = true;
  // Off: the read completes on its seventh tick whatever has arrived (for measuring).
  bool waitForLateReplies = true;

  void BankCmb_Click(std::string_view text);
  void ChTimer_Timer();
  // The row of the grid (1..30 are the channels; 0 and 31 the header and the
  // empty last row, which fill the panel from the empty entry).
  void FreqList_Select(int row);
  void SaveImg_Click(const FreqPanel& panel);
  void DeleteImg_Click(std::string_view channel_box);
  void OkCmd_Click() { WriteBank(); }
  // The window closes: a read in progress ends, the scanner's reports and the poll
  // come back on, what was collected is dropped.
  void Close();
  // A read cut short by the window going away still gives the link back.
  ~FreqDirCore() { Close(); }
  FreqDirCore(const FreqDirCore&) = delete;
  FreqDirCore& operator=(const FreqDirCore&) = delete;

  void FormatGrid();
  void WriteBank() { WriteBank(bank_); }
  // Writes bank n (1..10) as it is in the directory, when "File" is ticked.
  void WriteBank(int n);

  int selectedBank() const { return bank_; }
  bool reading() const { return reading_; }
  bool waitVisible() const { return reading_; }
  const std::string& waitText() const { return wait_text_; }
  // The rows 1..30 after the last FormatGrid (empty before the first).
  const std::vector<FreqGridRow>& grid() const { return grid_; }
  // Counts FormatGrid runs, so the window redraws only when the grid changed.
  int gridVersion() const { return grid_version_; }
  const FreqPanel& panel() const { return panel_; }

 private:
  void requestTick();
  void complete();

  ReadLink link_;
  Reporter& reporter_;
  FreqDirectory& dir_;
  RecordFile& file_;
  char separator_;

  int bank_ = 0;
  int last_channel_ = 0;
  int next_channel_ = 0;
  int progress_ = 0;
  bool reading_ = false;
  std::string ReceiveBuffer;
  LateReplyWait wait_;
  std::string wait_text_ = kFreqWaitCaption;
  std::vector<FreqGridRow> grid_;
  int grid_version_ = 0;
  FreqPanel panel_;
};

}  // namespace scandeck
