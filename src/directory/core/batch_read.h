#pragma once
// Reading many banks in one go: today's read of one bank, run bank after bank by
// the window core that already does it, so that each bank goes over the wire
// exactly as when the user picks it. What the reads report waits for the end of
// the batch and is said once.
#include <string>
#include <vector>

#include "common/core/reporter.h"
#include "directory/core/freq_dir_core.h"
#include "directory/core/id_dir_core.h"

namespace scandeck {

// One bank's read as a window core runs it.
class BankRead {
 public:
  virtual ~BankRead() = default;
  // Settles which banks the batch reads; false when the window names none.
  virtual bool prepare() { return true; }
  // Begins the read of bank n; false when none began (another window holds the link).
  virtual bool begin(int n) = 0;
  virtual void tick() = 0;
  virtual bool reading() const = 0;
  // Ends the read under way: what it collected is dropped, the poll comes back,
  // and the grid shows the bank as the directory holds it.
  virtual void end() = 0;
  // Which bank of the directory bank n of this batch is (an ID bank's trunked
  // bank changes between batches).
  virtual int key(int n) const { return n; }
  // Writes the bank of that key through the directory's bank writer.
  virtual void write(int key) = 0;
  // The key of the bank the window shows; 0 when none.
  virtual int shown() const = 0;
  // The window's own OK: writes the bank it shows.
  virtual void writeShown() = 0;
};

// Banks 1..10 of the frequency directory.
class FreqBankRead final : public BankRead {
 public:
  explicit FreqBankRead(FreqDirCore& core) : core_(core) {}
  bool begin(int n) override;
  void tick() override { core_.ChTimer_Timer(); }
  bool reading() const override { return core_.reading(); }
  void end() override;
  void write(int n) override { core_.WriteBank(n); }
  int shown() const override { return core_.selectedBank(); }
  void writeShown() override { core_.OkCmd_Click(); }

 private:
  FreqDirCore& core_;
};

// The ten ID banks of one trunked bank, chosen when the batch starts.
class IdBankRead final : public BankRead {
 public:
  explicit IdBankRead(IdDirCore& core) : core_(core) {}
  // The trunked bank the window's bank list names when the batch starts.
  bool prepare() override;
  bool begin(int n) override;
  void tick() override { core_.IDTimer_Timer(); }
  bool reading() const override { return core_.reading(); }
  void end() override;
  int key(int n) const override { return trunkBank_ * 100 + n; }
  void write(int key) override { core_.WriteBank(key / 100, key % 100); }
  int shown() const override;
  void writeShown() override { core_.OkCmd_Click(); }

 private:
  IdDirCore& core_;
  int trunkBank_ = 0;
};

// Passes reports on, except while a batch gathers them to say them once at its end.
class GatheredReports final : public Reporter {
 public:
  explicit GatheredReports(Reporter& target) : target_(target) {}
  void report(const std::string& text) override;
  void gather() { gathering_ = true; }
  // Says what was gathered in one report, and passes reports on again.
  void flush();

 private:
  Reporter& target_;
  bool gathering_ = false;
  std::vector<std::string> gathered_;
};

inline constexpr const char* kChooseBankText = "Choose the Freq Bank whose ID banks to read first.";

class BatchRead {
 public:
  // `noun` names a bank in the progress text ("Bank", "ID bank").
  BatchRead(BankRead& read, GatheredReports& reports, std::string noun, int banks = 10)
      : read_(read), reports_(reports), noun_(std::move(noun)), banks_(banks) {}

  // Starts with bank 1; false when a read is already under way, no bank is
  // chosen (said once), or the first read could not begin.
  bool start();
  // One tick of the window's read timer: drives the bank under way and, once it
  // is complete, begins the next.
  void tick();
  // Ends the bank under way, keeping nothing of it, and begins no other.
  void cancel();
  // The user picked a bank of their own: its read, if any, is theirs to write.
  void chosen() { unfinished_ = 0; }
  // OK: every bank the batches read is written, then the window's own OK unless
  // the bank it shows was just written or is the one whose read was cut short.
  void OkCmd_Click();

  bool running() const { return running_; }
  int bank() const { return bank_; }
  int banks() const { return banks_; }
  // The keys of the banks read in full, in the order read, over every batch of the window.
  const std::vector<int>& read() const { return read_banks_; }
  // Banks completed in this batch, for the progress bar (0..banks()).
  int progress() const { return done_; }
  // "Bank 3 of 10" while running; what became of the batch after.
  std::string progressText() const;

 private:
  void finish();
  void completed(int key);

  BankRead& read_;
  GatheredReports& reports_;
  std::string noun_;
  int banks_;
  bool running_ = false;
  bool stopped_ = false;
  int bank_ = 0;
  int done_ = 0;
  int unfinished_ = 0;
  std::vector<int> read_banks_;
};

}  // namespace scandeck
