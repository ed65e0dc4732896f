// The serial line's receive path and ProcessReplies, fed whatever a scanner, a
// foreign device or noise might send, cut into arbitrary pieces per tick.
//
// Input: 8 plan bytes, then the received stream. Plan byte i (cycled) gives the
// piece that arrives before tick i: its low six bits the size (0: nothing arrives),
// its top bit a port that refuses writes during that tick.
#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "link/core/poll_cycle.h"
#include "link/core/protocol.h"
#include "status/core/process_replies.h"
#include "support/fake_port.h"

using namespace scandeck;

namespace {

// What the scanner's answers are looked up in: a few named channels and talkgroups.
struct Directories {
  Directories() {
    for (int n = 1; n <= 5; ++n) {
      freq[n].frequency = n == 1 ? "155.3250" : "46" + std::to_string(n) + ".0000";
      freq[n].name = "Channel " + std::to_string(n);
      freq[n].type = "POL";
    }
    for (int bank = 1; bank <= kIdBanks; ++bank) {
      IdEntry* entry = ids.find(bank, 1);
      entry->id = "500-03";
      entry->name = "Net";
    }
  }
  FreqDirectory freq;
  IdDirectory ids;
};

// Records what each run is given, checks it comes clean out of the processor.
class Recorder : public ReplyProcessor {
 public:
  explicit Recorder(ReplyProcessor& inner) : inner_(inner) {}
  void ProcessReplies(ReplySlots& replies) override {
    FUZZ_CHECK(replies[0].empty());
    for (int slot = 1; slot <= kReplySlots; ++slot)
      if (!replies[slot].empty()) seen.push_back(replies[slot]);
    inner_.ProcessReplies(replies);
    for (const auto& slot : replies) FUZZ_CHECK(slot.empty());  // each reply is processed once
  }
  std::vector<std::string> seen;

 private:
  ReplyProcessor& inner_;
};

// Everything the program may write without being asked to by the user.
const std::set<std::string> kUnpromptedCommands = {"WI", "MD", "DL", "LO", "TB", "IC", "LU"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Directories directories;
  const std::size_t plan_size = std::min<std::size_t>(size, 8);
  std::vector<std::uint8_t> plan(data, data + plan_size);
  // A plan where nothing ever arrives would never end.
  if (std::none_of(plan.begin(), plan.end(), [](std::uint8_t b) { return (b & 0x3f) != 0; })) plan.assign(1, 0x3f);
  const std::string stream(reinterpret_cast<const char*>(data) + plan_size, size - plan_size);

  scandeck::testing::FakePort port;
  scandeck::testing::ListReporter reporter;
  PagCom pag_com(port);
  Link link(pag_com, reporter);
  ScannerStatus status;
  CompactView compact;
  StatusProcessor processor(link, reporter, status, compact, directories.freq, directories.ids, '.');
  Recorder recorder(processor);
  PollCycle poll(link, recorder);
  poll.setEnabled(true);
  Failure failure;
  FUZZ_CHECK(pag_com.open(failure));

  std::size_t at = 0;
  std::size_t tick = 0;
  std::size_t idle_ticks = 0;
  // Ends when everything has arrived and a run took nothing more from the buffer.
  while (at < stream.size() || idle_ticks < 2) {
    const std::uint8_t step = plan[tick % plan.size()];
    const std::size_t piece = std::min<std::size_t>(step & 0x3f, stream.size() - at);
    port.incoming.append(stream, at, piece);
    at += piece;
    port.fail_writes = (step & 0x80) != 0;
    const std::size_t seen_before = recorder.seen.size();
    poll.MainTimer_Timer();
    FUZZ_CHECK(link.receive().buffer().size() <= ReceivePath::kBufferLimit);
    FUZZ_CHECK(link.receive().pane().size() <= ReceivePath::kPaneLimit);
    FUZZ_CHECK(recorder.seen.size() - seen_before <= static_cast<std::size_t>(kReplySlots));
    idle_ticks = (at >= stream.size() && recorder.seen.size() == seen_before) ? idle_ticks + 1 : 0;
    ++tick;
    // The loop ends: at worst one byte arrives every eighth tick, and what is left
    // in the buffer afterwards goes at fifty replies a tick.
    FUZZ_CHECK(tick <= 9 * stream.size() + 16);
  }

  // Every complete reply reached the processor exactly once, in order; only the
  // unfinished tail stays behind. The stream is far below the buffer's limit.
  if (stream.size() <= ReceivePath::kBufferLimit) {
    std::vector<std::string> expected;
    for (const auto& line : scandeck::testing::CarriageReturnLines(stream))
      if (!line.empty()) expected.push_back(line);
    FUZZ_CHECK(recorder.seen == expected);
    const auto tail = stream.rfind('\r');
    FUZZ_CHECK(link.receive().buffer() == (tail == std::string::npos ? stream : stream.substr(tail + 1)));
  }
  // Whatever arrived, the scanner is only ever sent the poll and its follow-ups.
  for (const auto& command : port.commands()) FUZZ_CHECK(kUnpromptedCommands.count(command) == 1);
  FUZZ_CHECK(port.written.empty() || port.written.back() == '\r');
  return 0;
}
