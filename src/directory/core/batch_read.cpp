#include "directory/core/batch_read.h"

#include <algorithm>


namespace scandeck {

bool FreqBankRead::begin(int n) {
  core_.fromScanner = true;
  core_.BankCmb_Click(std::to_string(n));
  return core_.reading();
}

void FreqBankRead::end() {
  core_.Close();
  core_.FormatGrid();
}

bool IdBankRead::prepare() {
  trunkBank_ = ListValue(core_.BankText);
  return trunkBank_ >= 1 && trunkBank_ <= kIdBanks;
}

bool IdBankRead::begin(int n) {
  core_.fromScanner = true;
  core_.BankText = std::to_string(trunkBank_);
  core_.IDBankText = std::to_string(n);
  core_.IDBankCmb_Click();
  return core_.reading();
}

void IdBankRead::end() {
  core_.Close();
  core_.FormatGrid();
}

int IdBankRead::shown() const {
  const int bank = ListValue(core_.BankText), g = ListValue(core_.IDBankText);
  return bank >= 1 && bank <= kIdBanks && g >= 1 && g <= kIdBanksPerBank ? bank * 100 + g : 0;
}

void GatheredReports::report(const std::string& text) {
  if (!gathering_) {
    target_.report(text);
    return;
  }
  // Ten banks of a scanner that stopped answering say the same ten times.
  if (gathered_.size() < 20 && std::find(gathered_.begin(), gathered_.end(), text) == gathered_.end())
    gathered_.push_back(text);
}

void GatheredReports::flush() {
  gathering_ = false;
  std::string all;
  for (const std::string& text : gathered_) all += (all.empty() ? "" : "\n") + text;
  gathered_.clear();
  if (!all.empty()) target_.report(all);
}

bool BatchRead::start() {
  if (running_ || read_.reading()) return false;
  if (!read_.prepare()) {
    reports_.report(kChooseBankText);
    return false;
  }
  reports_.gather();
  running_ = true;
  stopped_ = false;
  done_ = 0;
  unfinished_ = 0;
  bank_ = 1;
  if (!read_.begin(bank_)) finish();
  return running_;
}

void BatchRead::tick() {
  if (!running_) return;
  read_.tick();
  if (read_.reading()) return;
  completed(read_.key(bank_));
  if (bank_ == banks_) {
    finish();
    return;
  }
  // The next bank begins on the tick the last one ended, as if the user had
  // picked it at once: its read is today's, from its first command on.
  ++bank_;
  if (!read_.begin(bank_)) {
    stopped_ = true;
    finish();
  }
}

void BatchRead::completed(int key) {
  ++done_;
  if (std::find(read_banks_.begin(), read_banks_.end(), key) == read_banks_.end()) read_banks_.push_back(key);
}

void BatchRead::cancel() {
  if (!running_) return;
  read_.end();
  unfinished_ = read_.key(bank_);
  stopped_ = true;
  finish();
}

void BatchRead::finish() {
  running_ = false;
  reports_.flush();
}

void BatchRead::OkCmd_Click() {
  for (int key : read_banks_) read_.write(key);
  const int shown = read_.shown();
  if (shown == 0 || (shown != unfinished_ && std::find(read_banks_.begin(), read_banks_.end(), shown) == read_banks_.end()))
    read_.writeShown();
}

std::string BatchRead::progressText() const {
  const std::string of = std::to_string(banks_);
  if (running_) return noun_ + " " + std::to_string(bank_) + " of " + of;
  if (bank_ == 0) return "Not started";
  return (stopped_ ? "Stopped: " : "Done: ") + std::to_string(done_) + " of " + of + " read";
}

}  // namespace scandeck
