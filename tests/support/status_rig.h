#pragma once
// The reply path as a poll tick runs it, on a port in memory: replies go in through
// the receive path and the decoders, and the checks read the status and the port.
#include <string>
#include <vector>

#include "status/core/process_replies.h"
#include "support/fake_port.h"

namespace scandeck::testing {

struct StatusRig {
  StatusRig() { port.is_open = true; }
  // One tick's replies; returns what processing wrote.
  std::vector<std::string> feed(const std::vector<std::string>& replies) {
    port.written.clear();
    for (const auto& r : replies) port.incoming += r + '\r';
    link.CollectReplies();
    processor.ProcessReplies(link.replies());
    return port.commands();
  }

  FakePort port;
  PagCom pag{port};
  ListReporter reporter;
  Link link{pag, reporter};
  ScannerStatus status;
  CompactView compact;
  FreqDirectory channels;
  IdDirectory talkgroups;
  StatusProcessor processor{link, reporter, status, compact, channels, talkgroups, '.'};
};

}  // namespace scandeck::testing
