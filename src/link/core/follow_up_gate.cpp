#include "link/core/follow_up_gate.h"

#include "link/core/protocol.h"

namespace scandeck {

namespace {
namespace cmd = protocol::cmd;
namespace reply = protocol::reply;

struct Query {
  std::string_view command;
  std::string_view answer;  // the code of its reply
};
constexpr std::array<Query, 5> kQueries = {{
    {cmd::kFrequency, reply::kFrequency},
    {cmd::kTrunkBank, reply::kTrunkBank},
    {cmd::kIdChannel, reply::kIdChannel},
    {cmd::kLockout, reply::kLockout},
    {cmd::kUpperLimit, reply::kUpperLimit},
}};
}  // namespace

std::optional<std::size_t> FollowUpGate::indexOf(std::string_view command) {
  for (std::size_t i = 0; i < kQueries.size(); ++i)
    if (kQueries[i].command == command) return i;
  return std::nullopt;
}

bool FollowUpGate::due(std::string_view command) const {
  const auto i = indexOf(command);
  if (!i || !asked_at_[*i]) return true;
  return run_ - *asked_at_[*i] >= retry_runs_;
}

void FollowUpGate::written(std::string_view command) {
  if (const auto i = indexOf(command)) asked_at_[*i] = run_;
}

void FollowUpGate::answered(std::string_view text) {
  for (std::size_t i = 0; i < kQueries.size(); ++i)
    if (reply::HasCode(text, kQueries[i].answer)) asked_at_[i].reset();
}

}  // namespace scandeck
