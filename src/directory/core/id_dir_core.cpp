#include "directory/core/id_dir_core.h"

#include <set>

#include "common/core/failure.h"
#include "common/core/text.h"
#include "link/core/protocol.h"

namespace scandeck {

namespace {

bool InLists(int value) { return value >= 1 && value <= kIdBanksPerBank; }

// Letter of ID bank g: "A" for 1 .. "J" for 10; 0 outside.
int LetterBank(char letter) {
  const int g = static_cast<unsigned char>(letter) - 64;
  return InLists(g) ? g : 0;
}

// Distinct positions of ID bank `id_bank` that the complete lines of `buffer` answer.
int Answered(std::string_view buffer, int id_bank) {
  std::set<char> digits;
  for (const std::string& line : SplitReplyLines(buffer, kIdReplyLines))
    if (line.size() >= 5 && line.compare(0, 2, "IC") == 0 && LetterBank(line[3]) == id_bank &&
        line[4] >= '0' && line[4] <= '9')
      digits.insert(line[4]);
  return static_cast<int>(digits.size());
}

// A field never written holds NULs; it shows as nothing (and stays as it is on disk).
std::string Shown(const std::string& field) {
  return field.find_first_not_of('\0') == std::string::npos ? std::string() : field;
}

const Failure kOutOfRange{errc::kSubscriptOutOfRange, "Subscript out of range"};

}  // namespace

IdReply ApplyIdReply(std::string_view line, IdDirectory& dir, int& bank, std::string& system_text) {
  if (line.size() >= 4 && line.compare(0, 2, "TB") == 0) {
    const int b = LetterBank(line[3]);
    // A bank the directory does not have: the replies after it cannot be stored.
    bank = b;
    if (b == 0) return IdReply::Refused;
    system_text = std::string(Mid(line, 5, 10));
    return IdReply::TrunkBank;
  }
  if (line.size() >= 5 && line.compare(0, 2, "IC") == 0) {
    const int g = LetterBank(line[3]);
    const char d = line[4];
    IdEntry* entry = nullptr;
    if (g != 0 && d >= '0' && d <= '9') entry = dir.find(bank, IdEntryIndex(g, d == '0' ? 10 : d - '0'));
    if (!entry) return IdReply::Refused;
    entry->channel = std::to_string(g) + "-" + (d == '0' ? std::string("10") : std::string(1, d));
    std::string id(Mid(line, 7, 6));
    for (char& c : id)
      if (static_cast<unsigned char>(c) == 0xFE) c = '=';
    entry->id = id;
    return IdReply::IdChannel;
  }
  return IdReply::Other;
}

IdDirCore::IdDirCore(ReadLink link, Reporter& reporter, const Clock& clock, IdDirectory& dir, RecordFile& file)
    : link_(link), reporter_(reporter), clock_(clock), dir_(dir), file_(file) {}

int IdDirCore::idBank() const { return ListValue(IDBankText); }

bool IdDirCore::send(std::string_view command, Failure& failure) {
  const Failure f = link_.link().SendCommand(command);
  link_.link().takePending();
  if (f && !failure) failure = f;
  return !f;
}

void IdDirCore::reportIf(const char* label, const Failure& failure) {
  if (failure) reporter_.report(EmailReport(label, failure));
}

void IdDirCore::IDBankCmb_Click() {
  // Enter in the list reports the same choice twice; one read per choice.
  if (reading() && ListValue(BankText) == bank_ && idBank() == read_id_bank_) return;
  ReceiveBuffer.clear();
  step_ = 0;
  bank_ = ListValue(BankText);
  const int g = idBank();
  if (bank_ <= 0 || g <= 0) return;
  progress_ = 0;
  if (!fromScanner) {
    FormatGrid();
    return;
  }
  // Letters past "J" name nothing the scanner has: no read.
  if (!InLists(bank_) || !InLists(g)) return;
  if (!link_.acquire(this)) {
    reporter_.report(kLinkBusyText);
    return;
  }
  read_id_bank_ = g;
  wait_.reset();
  wait_text_ = kIdWaitCaption;
  phase_ = Phase::Queries;
  Failure failure;
  for (auto command : {protocol::cmd::kQuOff, protocol::cmd::kIdOff, protocol::cmd::kTrunkBank}) send(command, failure);
  if (failure) link_.link().reportOnce("IDBankGrid Error : ", failure);
}

std::chrono::milliseconds IdDirCore::pauseLeft() const {
  if (phase_ != Phase::Pause) return std::chrono::milliseconds{0};
  return std::max(std::chrono::milliseconds{0}, pause_until_ - clock_.now());
}

void IdDirCore::IDTimer_Timer() {
  switch (phase_) {
    case Phase::Idle:
      return;
    case Phase::Queries:
      link_.collect(ReceiveBuffer);
      queries();
      return;
    case Phase::Completion:
      link_.collect(ReceiveBuffer);
      completionCommands();
      return;
    case Phase::Pause:
      if (pauseLeft().count() > 0) return;
      link_.collect(ReceiveBuffer);
      if (!waitForLateReplies || Answered(ReceiveBuffer, read_id_bank_) == kIdsPerIdBank) {
        complete();
      } else {
        wait_.reset();
        phase_ = Phase::LateWait;
      }
      return;
    case Phase::LateWait: {
      const bool arrived = link_.collect(ReceiveBuffer);
      if (Answered(ReceiveBuffer, read_id_bank_) == kIdsPerIdBank || wait_.tick(arrived)) complete();
      return;
    }
  }
}

void IdDirCore::queries() {
  Failure failure;
  const char letter = static_cast<char>('A' + read_id_bank_ - 1);
  for (char digit = '0'; digit <= '9'; ++digit)
    send(std::string(protocol::cmd::kIdChannelOf) + letter + digit, failure);
  step_ = 9;
  progress_ += 40;
  wait_text_ = "Please wait a moment..." + std::to_string(progress_) + "%";
  phase_ = Phase::Completion;
  if (failure) link_.link().reportOnce("IDTimer Error : ", failure);
}

void IdDirCore::completionCommands() {
  Failure failure;
  for (auto command : {protocol::cmd::kKeyScan, protocol::cmd::kQuOn, protocol::cmd::kIdOn}) send(command, failure);
  wait_text_ = "Please wait a moment... 80 %";
  pause_until_ = clock_.now() + kIdReadPause;
  phase_ = Phase::Pause;
  if (failure) link_.link().reportOnce("IDTimer Error : ", failure);
}

void IdDirCore::complete() {
  bool overflow = false;
  bool refused = false;
  int bank = bank_;
  const std::vector<std::string> lines = SplitReplyLines(ReceiveBuffer, kIdReplyLines, &overflow);
  for (const std::string& line : lines)
    if (ApplyIdReply(line, dir_, bank, system_text_) == IdReply::Refused) refused = true;
  const int missing = kIdsPerIdBank - Answered(ReceiveBuffer, read_id_bank_);
  phase_ = Phase::Idle;
  link_.release(this);
  FormatGrid();
  if (overflow || refused) reporter_.report(EmailReport("IDTimer Error : ", kOutOfRange));
  if (missing > 0)
    reporter_.report(std::to_string(missing) + " of the 10 IDs of ID bank " + std::to_string(read_id_bank_) +
                     " did not answer; they keep what the directory held.");
}

void IdDirCore::Close() {
  if (!reading()) return;
  phase_ = Phase::Idle;
  Failure failure;
  for (auto command : {protocol::cmd::kQuOn, protocol::cmd::kIdOn}) send(command, failure);
  link_.release(this);
  ReceiveBuffer.clear();
}

void IdDirCore::FormatGrid() {
  grid_.clear();
  ++grid_version_;
  bank_ = ListValue(BankText);
  const int g = idBank();
  if (!InLists(bank_) || !InLists(g)) {
    reportIf("Formatting Grid Error : ", kOutOfRange);
    return;
  }
  for (int e = IdEntryIndex(g, 1); e <= IdEntryIndex(g, kIdsPerIdBank); ++e) {
    const IdEntry& entry = dir_.at(bank_, e);
    grid_.push_back({Shown(entry.channel), Shown(entry.id), Shown(entry.type), Shown(entry.name), Shown(entry.lockout),
                     Shown(entry.mode), ""});
  }
}

void IdDirCore::IDList_Select(int row) {
  // Only the ten rows shown select an entry: the header and the empty last row
  // would otherwise reach into the neighbouring ID banks.
  const int g = idBank();
  selected_entry_ = (row >= 1 && row <= kIdsPerIdBank && InLists(g)) ? IdEntryIndex(g, row) : 0;
  bank_ = ListValue(BankText);
  const IdEntry& entry = dir_.at(bank_, selected_entry_);
  panel_ = {Shown(entry.channel), Shown(entry.id), Shown(entry.type), Shown(entry.name)};
}

std::optional<std::string> IdDirCore::NameBox_Change(const IdPanel& panel) {
  if (panel.NameBox.find_first_of("\r\n") == std::string::npos) return std::nullopt;
  IdPanel typed = panel;
  std::string name;
  for (char c : panel.NameBox)
    if (c != '\r' && c != '\n') name += c;
  typed.NameBox = name;
  SaveImg_Click(typed);
  return name;
}

void IdDirCore::SaveImg_Click(const IdPanel& panel) {
  bank_ = ListValue(BankText);
  IdEntry* entry = InLists(idBank()) ? dir_.find(bank_, selected_entry_) : nullptr;
  if (!entry) return;
  entry->id = panel.IDBox;
  entry->type = RecordText(panel.TypeCmb, 3);
  entry->name = RecordText(panel.NameBox, 40);
  entry->lockout.clear();
  entry->mode.clear();
  panel_ = {entry->channel, entry->id, entry->type, entry->name};
  WriteBank();
  FormatGrid();
}

void IdDirCore::DeleteImg_Click() {
  bank_ = ListValue(BankText);
  IdEntry* entry = InLists(idBank()) ? dir_.find(bank_, selected_entry_) : nullptr;
  if (!entry) return;
  entry->id = "------";
  entry->type.clear();
  entry->name.clear();
  entry->lockout.clear();
  entry->mode = "=";
  panel_ = {entry->channel, entry->id, entry->type, entry->name};
  WriteBank();
  FormatGrid();
}

void IdDirCore::WriteBank(int bank, int g) {
  if (!InLists(bank) || !InLists(g)) return;
  reportIf("Writting Bank Error : ", WriteIdBank(file_, dir_, bank, g));
}

}  // namespace scandeck
