#pragma once
// What was heard since the program started: one row per channel (by frequency) and
// per talkgroup (by trunk bank and ID), with hits, first and last heard and the time
// spent active. Fed by the decoders' events; times come from a monotonic clock, so
// durations hold across midnight and clock changes; wall-clock times are derived
// from one reading taken at start.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/core/clock.h"
#include "status/core/activity_events.h"

namespace scandeck {

using Millis = std::chrono::milliseconds;

enum class HeardKind : std::uint8_t { Channel, Talkgroup };

struct HeardKey {
  HeardKind kind = HeardKind::Channel;
  std::string bank;  // talkgroups: trunk bank as decimal text, empty when unknown
  std::string id;    // channels: frequency text; talkgroups: the ID

  // One text per key, for indexes and the alert file.
  std::string text() const;
  bool operator==(const HeardKey&) const = default;
};

struct HeardRow {
  HeardKey key;
  std::int64_t hits = 0;
  Millis first{0};       // monotonic, when first heard
  Millis last{0};        // monotonic, the last start or end
  Millis closedTime{0};  // active time of the activities that ended
  bool active = false;
  Millis since{0};       // start of the activity in progress
};

// A channel or talkgroup marked "alert me" that has just become active.
struct HeardAlert {
  HeardKey key;
};

class HeardList final : public ActivityEvents {
 public:
  // Enough for every channel and talkgroup a directory can hold several times over.
  static constexpr std::size_t kDefaultCap = 2000;
  static constexpr std::size_t kMaxPendingAlerts = 16;

  // `epoch_at_start`: wall-clock time (ms since 1970) when `clock` read its value now.
  HeardList(const Clock& clock, std::int64_t epoch_at_start, std::size_t cap = kDefaultCap);

  // Whether a key is marked "alert me"; nothing is marked without one.
  void setAlertRule(std::function<bool(const HeardKey&)> marked) { marked_ = std::move(marked); }
  // Told of each activity as the list counts it, its start or its end (`started`
  // false), and when it happened (a squelch opening is named by a later report):
  // for publishing and recording calls.
  using ActivityWatch = std::function<void(const HeardRow& row, bool started, Millis at)>;
  void setActivityWatch(ActivityWatch watch) { watch_ = std::move(watch); }

  void squelchOpened(bool conventional) override;
  void squelchClosed() override;
  void frequencyReported(std::string_view frequency_text) override;
  void talkgroupStarted(std::string_view trunk_bank, std::string_view id) override;
  void talkgroupEnded(std::string_view trunk_bank, std::string_view id) override;
  // The port is gone: no end report will come, so what was on ends now.
  void lineLost();

  // Rows keep their index for as long as they live; an evicted row's index is
  // reused by the row that replaced it.
  const std::vector<HeardRow>& rows() const { return rows_; }
  // Raised by every change, so a view can skip ticks when nothing moved.
  std::uint64_t version() const { return version_; }
  std::size_t evicted() const { return evicted_; }

  Millis activeTime(const HeardRow& row) const;
  // Now while it is active, else when its last activity ended.
  Millis lastHeard(const HeardRow& row) const { return row.active ? clock_.now() : row.last; }
  std::int64_t epochOf(Millis monotonic) const {
    return epoch_at_start_ + (monotonic - mono_at_start_).count();
  }
  // Bytes held by the list: rows, their texts and the index.
  std::size_t memoryBytes() const;

  std::vector<HeardAlert> takeAlerts();

 private:
  std::size_t startActivity(HeardKey key, Millis at);
  void endActivity(std::size_t row, Millis at);
  std::size_t slotFor(HeardKey key, Millis at);

  const Clock& clock_;
  Millis mono_at_start_;
  std::int64_t epoch_at_start_;
  std::size_t cap_;
  std::vector<HeardRow> rows_;
  std::unordered_map<std::string, std::size_t> index_;
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t open_channel_ = kNone;
  std::size_t open_talkgroup_ = kNone;
  bool squelch_pending_ = false;  // open, its frequency not yet reported
  Millis pending_since_{0};
  std::uint64_t version_ = 0;
  std::size_t evicted_ = 0;
  std::function<bool(const HeardKey&)> marked_;
  ActivityWatch watch_;
  std::vector<HeardAlert> alerts_;
};

}  // namespace scandeck
