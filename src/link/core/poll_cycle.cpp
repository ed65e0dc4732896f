#include "link/core/poll_cycle.h"

namespace scandeck {

void PollCycle::MainTimer_Timer() {
  if (!enabled_) return;
  link_.takePending();  // only this tick's own steps count
  for (auto command : kPollCommands) link_.SendCommand(command);
  link_.CollectReplies();
  link_.reportPending("MainTimer Error : ");
  processor_.ProcessReplies(link_.replies());
}

}  // namespace scandeck
