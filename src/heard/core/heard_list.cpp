#include "heard/core/heard_list.h"

#include <algorithm>

#include "common/core/text.h"

namespace scandeck {

namespace {
// The scanner's fields are a few characters; anything longer is noise and is cut.
constexpr std::size_t kMaxKeyText = 16;

std::string Bounded(std::string_view text) {
  return std::string(TrimBlanks(text).substr(0, kMaxKeyText));
}
}  // namespace

std::string HeardKey::text() const {
  return (kind == HeardKind::Channel ? "C\t" : "T\t") + bank + "\t" + id;
}

HeardList::HeardList(const Clock& clock, std::int64_t epoch_at_start, std::size_t cap)
    : clock_(clock), mono_at_start_(clock.now()), epoch_at_start_(epoch_at_start), cap_(std::max<std::size_t>(cap, 2)) {}

void HeardList::squelchOpened(bool conventional) {
  // In trunk modes the talkgroup reports carry the activity; a squelch already open
  // (a repeated report) is the same activity.
  if (!conventional || open_channel_ != kNone || squelch_pending_) return;
  squelch_pending_ = true;
  pending_since_ = clock_.now();
}

void HeardList::frequencyReported(std::string_view frequency_text) {
  const Millis now = clock_.now();
  const std::string text = Bounded(frequency_text);
  if (squelch_pending_) {
    // The first frequency after the squelch opened names the channel heard; the
    // activity began when the squelch opened.
    squelch_pending_ = false;
    if (!text.empty()) open_channel_ = startActivity({HeardKind::Channel, "", text}, pending_since_);
  } else if (open_channel_ != kNone && rows_[open_channel_].key.id != text && !text.empty()) {
    // Moved to another frequency without the squelch closing between.
    endActivity(open_channel_, now);
    open_channel_ = startActivity({HeardKind::Channel, "", text}, now);
  }
}

void HeardList::squelchClosed() {
  squelch_pending_ = false;  // closed before its frequency came: nothing to name it by
  if (open_channel_ == kNone) return;
  endActivity(open_channel_, clock_.now());
  open_channel_ = kNone;
}

void HeardList::talkgroupStarted(std::string_view trunk_bank, std::string_view id) {
  const Millis now = clock_.now();
  HeardKey key{HeardKind::Talkgroup, Bounded(trunk_bank), Bounded(id)};
  if (key.id.empty()) return;
  if (open_talkgroup_ != kNone) {
    // A second start of the talkgroup in progress is the same activity; another
    // talkgroup starting means the last one's end report was lost.
    if (rows_[open_talkgroup_].key == key) return;
    endActivity(open_talkgroup_, now);
  }
  open_talkgroup_ = startActivity(std::move(key), now);
}

void HeardList::talkgroupEnded(std::string_view, std::string_view id) {
  // The end names the ID only; the bank may have been learnt in between.
  if (open_talkgroup_ == kNone || rows_[open_talkgroup_].key.id != Bounded(id)) return;
  endActivity(open_talkgroup_, clock_.now());
  open_talkgroup_ = kNone;
}

void HeardList::lineLost() {
  squelch_pending_ = false;
  for (std::size_t* open : {&open_channel_, &open_talkgroup_}) {
    if (*open != kNone) endActivity(*open, clock_.now());
    *open = kNone;
  }
}

std::size_t HeardList::slotFor(HeardKey key, Millis at) {
  const std::string text = key.text();
  if (const auto found = index_.find(text); found != index_.end()) return found->second;
  std::size_t slot = rows_.size();
  if (rows_.size() >= cap_) {
    // Full: the least recently heard row that is not active makes room. At most two
    // rows are active at a time, so there is always one.
    slot = kNone;
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (!rows_[i].active && (slot == kNone || rows_[i].last < rows_[slot].last)) slot = i;
    index_.erase(rows_[slot].key.text());
    rows_[slot] = HeardRow{};
    ++evicted_;
  } else {
    rows_.emplace_back();
  }
  rows_[slot].key = std::move(key);
  rows_[slot].first = at;
  index_.emplace(text, slot);
  return slot;
}

std::size_t HeardList::startActivity(HeardKey key, Millis at) {
  const std::size_t slot = slotFor(std::move(key), at);
  HeardRow& row = rows_[slot];
  ++row.hits;
  row.active = true;
  row.since = at;
  row.last = at;
  ++version_;
  if (marked_ && marked_(row.key) && alerts_.size() < kMaxPendingAlerts) alerts_.push_back({row.key});
  if (watch_) watch_(row, true, at);
  return slot;
}

void HeardList::endActivity(std::size_t slot, Millis at) {
  HeardRow& row = rows_[slot];
  if (!row.active) return;
  row.active = false;
  row.closedTime += std::max(Millis{0}, at - row.since);
  row.last = at;
  ++version_;
  if (watch_) watch_(row, false, at);
}

Millis HeardList::activeTime(const HeardRow& row) const {
  return row.closedTime + (row.active ? std::max(Millis{0}, clock_.now() - row.since) : Millis{0});
}

std::size_t HeardList::memoryBytes() const {
  std::size_t bytes = sizeof(*this) + rows_.capacity() * sizeof(HeardRow);
  const auto heap = [](const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; };
  for (const HeardRow& row : rows_) bytes += heap(row.key.bank) + heap(row.key.id);
  // Each index node: its key text, the value and the bucket pointer.
  for (const auto& [text, slot] : index_) bytes += sizeof(std::string) + sizeof(slot) + 2 * sizeof(void*) + heap(text);
  bytes += index_.bucket_count() * sizeof(void*) + alerts_.capacity() * sizeof(HeardAlert);
  return bytes;
}

std::vector<HeardAlert> HeardList::takeAlerts() {
  std::vector<HeardAlert> out;
  out.swap(alerts_);
  return out;
}

}  // namespace scandeck
