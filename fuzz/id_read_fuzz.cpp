// The ID directory's read of one ID bank from the scanner, answered by whatever
// arrives on the line, cut into arbitrary pieces per read tick.
//
// Input: one byte choosing the bank (low nibble) and ID bank (high nibble),
// 8 plan bytes (cycled: the low six bits the size of the piece that arrives
// before each tick, the top bit closes the window at that tick), then the stream.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "directory/core/id_dir_core.h"
#include "fuzz_check.h"
#include "support/fake_port.h"

using namespace scandeck;

namespace {
class NoReplies : public ReplyProcessor {
 public:
  void ProcessReplies(ReplySlots& replies) override {
    for (auto& slot : replies) slot.clear();
  }
};

// On the heap: the directory is large for a stack frame.
std::unique_ptr<IdDirectory> Named() {
  auto dir = std::make_unique<IdDirectory>();
  for (int bank = 1; bank <= kIdBanks; ++bank)
    for (int e = 1; e <= kIdEntriesPerBank; e += 3) {
      IdEntry* entry = dir->find(bank, e);
      entry->name = "Group " + std::to_string(e);
      entry->type = "EMS";
      entry->lockout = " ";
    }
  return dir;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<IdDirectory> before = Named();
  const IdDirectory& kBefore = *before;
  if (size < 9) return 0;
  const int bank = (data[0] & 0x0f) % kIdBanks + 1;
  const int id_bank = (data[0] >> 4) % kIdBanksPerBank + 1;
  const std::vector<std::uint8_t> plan(data + 1, data + 9);
  const std::string stream(reinterpret_cast<const char*>(data) + 9, size - 9);

  scandeck::testing::FakePort port;
  scandeck::testing::ListReporter reporter;
  PagCom pag_com(port);
  Link link(pag_com, reporter);
  NoReplies no_replies;
  PollCycle poll(link, no_replies);
  poll.setEnabled(true);
  LinkHold hold;
  Failure failure;
  FUZZ_CHECK(pag_com.open(failure));
  ManualClock clock;
  const auto dir_copy = std::make_unique<IdDirectory>(kBefore);
  IdDirectory& dir = *dir_copy;
  RecordFile file;  // a read writes nothing

  IdDirCore core(ReadLink(link, poll, hold), reporter, clock, dir, file);
  core.fromScanner = true;
  core.BankText = std::to_string(bank);
  core.IDBankText = std::to_string(id_bank);
  core.IDBankCmb_Click();
  FUZZ_CHECK(core.reading() && !poll.enabled());

  std::size_t at = 0;
  for (std::size_t tick = 0; core.reading(); ++tick) {
    FUZZ_CHECK(tick < 200);  // two command ticks, the pause, at most 46 waiting
    const std::uint8_t step = plan[tick % plan.size()];
    const std::size_t piece = std::min<std::size_t>(step & 0x3f, stream.size() - at);
    port.incoming.append(stream, at, piece);
    at += piece;
    clock.advance(std::chrono::milliseconds{kReadTickMs});
    if (step & 0x80)
      core.Close();
    else
      core.IDTimer_Timer();
  }

  FUZZ_CHECK(poll.enabled() && hold.owner == nullptr && !core.inputBlocked());
  FUZZ_CHECK(port.commands().back() == "IDN");  // the scanner's reports come back on
  // A read stores IDs (and the entry's channel) only: names, types and the rest stay.
  for (int b = 1; b <= kIdBanks; ++b)
    for (int e = 1; e <= kIdEntriesPerBank; ++e) {
      const IdEntry& was = kBefore.at(b, e);
      const IdEntry& is = dir.at(b, e);
      FUZZ_CHECK(is.name == was.name && is.type == was.type && is.lockout == was.lockout && is.mode == was.mode);
      FUZZ_CHECK(is.id.size() <= 6 && is.channel.size() <= 5);
    }
  if (!core.grid().empty()) FUZZ_CHECK(core.grid().size() == static_cast<std::size_t>(kIdsPerIdBank));
  return 0;
}
