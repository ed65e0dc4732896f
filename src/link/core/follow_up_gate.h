#pragma once
// Keeps the decoders' follow-up queries from piling up on a slow line.
//
// The poll brings an "MD" and a "DL" reply every tick, and in the trunk modes each
// "MD" asks for "TB" and "IC" again: at 9600 baud that is more than the line
// carries, so replies would queue in the scanner and the display would fall behind.
// A follow-up is therefore not written again while the same query is unanswered.
// A reply with the query's code answers it, whichever command it came from, since
// replies are matched by code alone. A query that stays unanswered for
// `retry_runs` processing runs may be written again, so a lost reply never
// silences it; with 0 every follow-up is written.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace scandeck {

// At 9600 baud a follow-up is answered within two ticks, the poll's own replies
// in front of it; six leave room for a busy line, so a retry is only written when
// something was lost.
inline constexpr int kFollowUpRetryRuns = 6;

class FollowUpGate {
 public:
  explicit FollowUpGate(int retry_runs = kFollowUpRetryRuns) : retry_runs_(retry_runs) {}

  // Called once at the start of each processing run.
  void nextRun() { ++run_; }
  // Whether `command` may be written now; commands that are no follow-up always may.
  bool due(std::string_view command) const;
  // `command` went out on the line.
  void written(std::string_view command);
  // A reply was processed; it answers the query of its code.
  void answered(std::string_view reply);

 private:
  static std::optional<std::size_t> indexOf(std::string_view command);
  int retry_runs_;
  std::int64_t run_ = 0;
  std::array<std::optional<std::int64_t>, 5> asked_at_{};  // run of the unanswered write
};

}  // namespace scandeck
