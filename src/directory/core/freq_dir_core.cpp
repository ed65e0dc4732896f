#include "directory/core/freq_dir_core.h"

#include <cctype>
#include <set>

#include "common/core/failure.h"
#include "common/core/text.h"
#include "link/core/protocol.h"

namespace scandeck {

namespace {

bool Digits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool ValidBank(int bank) { return bank >= 1 && bank <= kFreqBanks; }

// The channels of `first`..`last` that the complete lines of `buffer` answer.
int Answered(std::string_view buffer, int first, int last) {
  std::set<int> channels;
  FreqDirectory scratch;
  for (const std::string& line : SplitReplyLines(buffer, kFreqReplyLines))
    if (auto n = ApplyChannelReply(line, scratch, '.'); n && *n >= first && *n <= last) channels.insert(*n);
  return static_cast<int>(channels.size());
}

}  // namespace

std::optional<int> ApplyChannelReply(std::string_view line, FreqDirectory& dir, char decimal_separator) {
  // Anything shorter, or without digits where the numbers stand, is not a channel
  // reply (noise, a scanner at another speed) and must not touch a channel.
  if (line.size() < 23 || line[0] != 'C' || !Digits(Mid(line, 2, 3)) || !Digits(Mid(line, 7, 8))) return std::nullopt;
  const int n = ListValue(Mid(line, 2, 3));
  if (n < 1 || n > kFreqChannels) return std::nullopt;
  FreqChannel& channel = dir[n];
  channel.channel = n;
  channel.frequency = FrequencyTextFromUnits(Mid(line, 7, 8), decimal_separator);
  channel.mode = line[16] == 'N' ? "Trunk" : "Normal";
  channel.delay = Marker(line[19] == 'N');
  channel.lockout = Marker(line[22] == 'N');
  return n;
}

FreqDirCore::FreqDirCore(ReadLink link, Reporter& reporter, FreqDirectory& dir, RecordFile& file, char decimal_separator)
    : link_(link), reporter_(reporter), dir_(dir), file_(file), separator_(decimal_separator) {}

void FreqDirCore::BankCmb_Click(std::string_view text) {
  // Enter in the bank list reports the same choice twice (the list and its text
  // box); the read already under way for it is the one the user asked for.
  if (reading_ && ListValue(text) == bank_) return;
  ReceiveBuffer.clear();
  bank_ = ListValue(text);
  if (bank_ == 0) return;
  progress_ = 0;
  last_channel_ = bank_ * kChannelsPerBank;
  if (fromScanner) {
    // A bank the scanner does not have would only be answered with errors.
    if (!ValidBank(bank_)) return;
    if (!link_.acquire(this)) {
      reporter_.report(kLinkBusyText);
      return;
    }
    next_channel_ = last_channel_ - (kChannelsPerBank - 1);
    wait_.reset();
    wait_text_ = kFreqWaitCaption;
    link_.link().Send(protocol::cmd::kQuOff);
    reading_ = true;
  } else {
    FormatGrid();
  }
}

void FreqDirCore::ChTimer_Timer() {
  if (!reading_) return;
  const bool arrived = link_.collect(ReceiveBuffer);
  if (next_channel_ <= last_channel_) {
    requestTick();
    return;
  }
  const int first = last_channel_ - (kChannelsPerBank - 1);
  if (!waitForLateReplies || Answered(ReceiveBuffer, first, last_channel_) == kChannelsPerBank || wait_.tick(arrived))
    complete();
}

void FreqDirCore::requestTick() {
  for (int n = next_channel_; n < next_channel_ + kFreqPmPerTick; ++n)
    link_.link().Send(std::string(protocol::cmd::kReadChannel) + FormatPadded(n, 3));
  next_channel_ += kFreqPmPerTick;
  progress_ += 15;
  wait_text_ = "Please wait a moment..." + std::to_string(progress_) + "%";
}

void FreqDirCore::complete() {
  reading_ = false;
  link_.link().Send(protocol::cmd::kQuOn);
  link_.release(this);
  const int first = last_channel_ - (kChannelsPerBank - 1);
  std::set<int> answered;
  for (const std::string& line : SplitReplyLines(ReceiveBuffer, kFreqReplyLines))
    if (auto n = ApplyChannelReply(line, dir_, separator_); n && *n >= first && *n <= last_channel_) answered.insert(*n);
  FormatGrid();
  if (const int missing = kChannelsPerBank - static_cast<int>(answered.size()); missing > 0)
    reporter_.report(std::to_string(missing) + " of the 30 channels of bank " + std::to_string(bank_) +
                     " did not answer; they keep what the directory held.");
}

void FreqDirCore::Close() {
  if (!reading_) return;
  reading_ = false;
  link_.link().Send(protocol::cmd::kQuOn);
  link_.release(this);
  ReceiveBuffer.clear();
}

void FreqDirCore::FormatGrid() {
  grid_.clear();
  ++grid_version_;
  if (!ValidBank(bank_)) return;
  for (int n = bank_ * kChannelsPerBank - (kChannelsPerBank - 1); n <= bank_ * kChannelsPerBank; ++n) {
    const FreqChannel& c = dir_[n];
    grid_.push_back({std::to_string(c.channel), c.frequency, c.type, std::string(TrimBlanks(c.name)), c.delay,
                     c.lockout, c.mode, std::to_string(c.mapNumber), "", ""});
  }
}

void FreqDirCore::FreqList_Select(int row) {
  int n = 0;
  if (row >= 1 && row <= static_cast<int>(grid_.size())) n = ListValue(grid_[static_cast<std::size_t>(row - 1)][0]);
  if (n < 0 || n > kFreqChannels) n = 0;
  const FreqChannel& c = dir_[n];
  panel_ = {std::to_string(c.channel), c.frequency, c.type, c.name};
}

void FreqDirCore::SaveImg_Click(const FreqPanel& panel) {
  const int n = ListValue(panel.ChBox);
  if (n < 1 || n > kFreqChannels || !ValidBank(bank_)) return;
  // Only what the user edits here changes: the frequency and the flags stay as
  // the scanner last reported them.
  FreqChannel& c = dir_[n];
  c.type = RecordText(panel.TypeCmb, 3);
  c.name = RecordText(panel.NameBox, 40);
  panel_ = panel;
  panel_.TypeCmb = c.type;
  panel_.NameBox = c.name;
  WriteBank();
  FormatGrid();
}

void FreqDirCore::DeleteImg_Click(std::string_view channel_box) {
  const int n = ListValue(channel_box);
  if (n < 1 || n > kFreqChannels || !ValidBank(bank_)) return;
  // Mode "Normal" and the locale's separator, so that the deleted channel reads
  // back from bank.dat exactly as the grid shows it now.
  FreqChannel& c = dir_[n];
  c.frequency = FormatFrequencyMhz(0, separator_);
  c.type.clear();
  c.name.clear();
  c.delay.clear();
  c.lockout = "=";
  c.mode = "Normal";
  c.mapNumber = c.x = c.y = 0;
  WriteBank();
  FormatGrid();
}

void FreqDirCore::WriteBank(int n) {
  if (!writeFile) return;
  if (Failure f = scandeck::WriteBank(file_, dir_, n)) reporter_.report(EmailReport("Writting Bank Error : ", f));
}

}  // namespace scandeck
