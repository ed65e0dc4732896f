// The frequency directory's read of one bank from the scanner, answered by
// whatever arrives on the line, cut into arbitrary pieces per read tick.
//
// Input: one byte choosing the bank (1..10), 8 plan bytes (cycled: the low six
// bits the size of the piece that arrives before each tick, the top bit closes
// the window at that tick), then the received stream.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "directory/core/freq_dir_core.h"
#include "fuzz_check.h"
#include "link/core/protocol.h"
#include "support/fake_port.h"

using namespace scandeck;

namespace {
class NoReplies : public ReplyProcessor {
 public:
  void ProcessReplies(ReplySlots& replies) override {
    for (auto& slot : replies) slot.clear();
  }
};

FreqDirectory Named() {
  FreqDirectory dir;
  for (int n = 1; n <= kFreqChannels; n += 7) {
    dir[n].name = "Name " + std::to_string(n);
    dir[n].type = "FIR";
  }
  return dir;
}

bool SameChannel(const FreqChannel& a, const FreqChannel& b) {
  return a.channel == b.channel && a.frequency == b.frequency && a.type == b.type && a.name == b.name &&
         a.delay == b.delay && a.lockout == b.lockout && a.mode == b.mode;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const FreqDirectory kBefore = Named();
  if (size < 9) return 0;
  const int bank = data[0] % kFreqBanks + 1;
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
  FreqDirectory dir = kBefore;
  RecordFile file;  // a read writes nothing

  FreqDirCore core(ReadLink(link, poll, hold), reporter, dir, file, '.');
  core.fromScanner = true;
  core.BankCmb_Click(std::to_string(bank));
  FUZZ_CHECK(core.reading() && !poll.enabled());

  std::size_t at = 0;
  for (std::size_t tick = 0; core.reading(); ++tick) {
    FUZZ_CHECK(tick < 200);  // the read always ends: 6 request ticks, then at most 46 waiting
    const std::uint8_t step = plan[tick % plan.size()];
    const std::size_t piece = std::min<std::size_t>(step & 0x3f, stream.size() - at);
    port.incoming.append(stream, at, piece);
    at += piece;
    if (step & 0x80)
      core.Close();
    else
      core.ChTimer_Timer();
  }

  // The poll is back, the link free, and the scanner's reports switched on again.
  FUZZ_CHECK(poll.enabled() && hold.owner == nullptr);
  const auto commands = port.commands();
  FUZZ_CHECK(!commands.empty() && commands.front() == protocol::cmd::kQuOff && commands.back() == protocol::cmd::kQuOn);
  for (std::size_t i = 1; i + 1 < commands.size(); ++i) {
    const int n = ListValue(commands[i].substr(2));
    FUZZ_CHECK(commands[i].size() == 5 && commands[i].compare(0, 2, "PM") == 0);
    FUZZ_CHECK(n > (bank - 1) * kChannelsPerBank && n <= bank * kChannelsPerBank);
  }
  // A read changes frequencies and flags only, and only of channels a line named.
  for (int n = 1; n <= kFreqChannels; ++n) {
    FUZZ_CHECK(dir[n].name == kBefore[n].name && dir[n].type == kBefore[n].type);
    if (SameChannel(dir[n], kBefore[n])) continue;
    const std::string tag = "\rC" + FormatPadded(n, 3);
    FUZZ_CHECK(("\r" + stream).find(tag) != std::string::npos);
    FUZZ_CHECK(dir[n].frequency.size() >= 8 && dir[n].frequency[dir[n].frequency.size() - 5] == '.');
  }
  return 0;
}
