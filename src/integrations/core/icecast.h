#pragma once
// Icecast's admin metadata request and when to send it: only on a change, at most
// once a second, optionally later to line up with the stream's audio, and slower
// and slower while the server fails.
#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "common/core/clock.h"
#include "common/core/csv.h"

namespace scandeck {

// Every byte but the unreserved characters as %XX, so "&", "#", "+" or "/" in a
// value never splits the query.
std::string PercentEncode(std::string_view bytes);
std::string Base64(std::string_view bytes);

struct IcecastTarget {
  std::string mount;  // "/stream"
  std::string user;
  std::string password;
};

struct IcecastRequest {
  std::string target;         // path and query, already encoded
  std::string authorization;  // the whole header value, "Basic ..."
};

IcecastRequest MetadataRequest(const IcecastTarget& target, std::string_view song_latin1);

inline constexpr std::chrono::milliseconds kTitleMinGap{1000};
inline constexpr std::chrono::milliseconds kFirstRetry{2000};
inline constexpr std::chrono::milliseconds kLongestRetry{60000};
inline constexpr std::size_t kMaxWaitingTitles = 64;

class TitleSchedule {
 public:
  explicit TitleSchedule(const Clock& clock) : clock_(clock) {}

  void setDelay(std::chrono::seconds delay) { delay_ = delay; }
  // A new text now; the same text again is no change.
  void offer(const std::string& text);
  // The text to send now, if one is due; it is in flight until finished().
  std::optional<std::string> next();
  // The request in flight ended. True when this changes whether the server is
  // failing, the one time to tell the user.
  bool finished(bool ok);
  bool failing() const { return failing_; }
  std::chrono::milliseconds retryIn() const { return backoff_; }
  // Forget everything, as after the server settings change.
  void reset();

 private:
  struct Waiting {
    std::chrono::milliseconds due;
    std::string text;
  };
  const Clock& clock_;
  std::chrono::seconds delay_{0};
  std::deque<Waiting> waiting_;
  std::optional<std::string> offered_, sent_, in_flight_;
  std::chrono::milliseconds not_before_{std::chrono::milliseconds::min()};
  std::chrono::milliseconds backoff_{0};
  bool failing_ = false;
};

}  // namespace scandeck
