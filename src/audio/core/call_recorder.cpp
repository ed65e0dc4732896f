#include "audio/core/call_recorder.h"

#include <algorithm>

#include "common/core/text.h"

namespace scandeck {

namespace {
// The recorder decides this far behind the capture, so that a report delivered up
// to this late still lands where it was stamped (an end cuts the file there, a start
// gets its whole pre-roll). The largest piece of audio taken in one step.
constexpr long long kSlackMs = 2000;
constexpr long long kStepMs = 100;
}  // namespace

RecorderRules RulesFrom(const RecordingSettings& s, int rate) {
  RecorderRules rules;
  rules.rate = rate;
  rules.what = s.what;
  rules.prerollMs = s.prerollMs;
  rules.hangMs = s.hangMs;
  rules.minMs = s.minMs;
  rules.maxMinutes = s.maxMinutes;
  return rules;
}

CallRecorder::CallRecorder(RecorderRules rules, CallSink& sink) : rules_(std::move(rules)), sink_(sink) {
  rules_.rate = std::clamp(rules_.rate, 1000, 384000);
  rules_.prerollMs = std::clamp(rules_.prerollMs, 0, kMaxPrerollMs);
  rules_.hangMs = std::clamp(rules_.hangMs, 0, kMaxHangMs);
  rules_.minMs = std::clamp(rules_.minMs, 0, kMaxMinMs);
  rules_.maxMinutes = std::clamp(rules_.maxMinutes, 1, kMaxSplitMinutes);
  const long long held = std::max(rules_.prerollMs, rules_.hangMs) + kSlackMs + kStepMs;
  ring_.assign(samplesFor(held), 0);
  slack_ = samplesFor(kSlackMs);
}

std::uint64_t CallRecorder::horizon() const {
  if (flushing_) return captured_;
  return captured_ > slack_ ? captured_ - slack_ : 0;
}

std::uint64_t CallRecorder::samplesFor(long long ms) const {
  return static_cast<std::uint64_t>(ms) * static_cast<std::uint64_t>(rules_.rate) / 1000;
}

std::int64_t CallRecorder::epochAt(std::uint64_t position) const {
  // Measured from the nearest report, so the sound card's clock drift stays small.
  const auto ms = [&](std::uint64_t a, std::uint64_t b) {
    return a >= b ? static_cast<std::int64_t>((a - b) * 1000 / static_cast<std::uint64_t>(rules_.rate))
                  : -static_cast<std::int64_t>((b - a) * 1000 / static_cast<std::uint64_t>(rules_.rate));
  };
  return start_epoch_ + ms(position, call_start_);
}

void CallRecorder::callStarted(const CallInfo& call, std::uint64_t position, std::int64_t epoch_ms) {
  queue({true, call, position, epoch_ms});
}

void CallRecorder::callEnded(std::uint64_t position, std::int64_t epoch_ms) { queue({false, {}, position, epoch_ms}); }

void CallRecorder::queue(Event event) {
  // Reports come in order; one stamped earlier than the one before counts from it.
  event.position = std::max(event.position, last_event_);
  last_event_ = event.position;
  pending_.push_back(std::move(event));
  if (pending_.size() > kMaxPendingEvents) {
    pending_.front().position = std::min(pending_.front().position, horizon());
  }
  run();
}

void CallRecorder::run() {
  while (!pending_.empty() && pending_.front().position <= horizon()) {
    const Event event = std::move(pending_.front());
    pending_.pop_front();
    sync(event.position);
    apply(event);
  }
  sync(horizon());
}

void CallRecorder::audio(const std::int16_t* samples, std::size_t count) {
  if (count == 0) return;
  level_ = MeasureLevel(samples, count);
  const std::size_t step = std::max<std::size_t>(1, samplesFor(kStepMs));
  for (std::size_t done = 0; done < count; done += step) take(samples + done, std::min(step, count - done));
}

void CallRecorder::take(const std::int16_t* samples, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) ring_[(captured_ + i) % ring_.size()] = samples[i];
  captured_ += count;
  run();
}

void CallRecorder::apply(const Event& event) {
  const std::uint64_t at = event.position;
  if (!event.start) {
    if (state_ != State::Active) return;
    state_ = State::Hang;
    call_end_ = std::max(at, call_start_);
    return;
  }
  if (state_ != State::Idle && event.call.key == call_.key) {
    // The same channel or talkgroup again within its hang time: one exchange, one file.
    if (state_ == State::Hang) {
      state_ = State::Active;
      heard_ = at;
    }
    forced_ |= event.forced;
    tentative_ &= !event.forced;
    return;
  }
  if (state_ == State::Active) call_end_ = at;
  if (state_ != State::Idle) finish();

  call_ = event.call;
  call_start_ = at;
  start_epoch_ = event.epoch;
  state_ = State::Active;
  heard_ = at;
  forced_ = event.forced;
  bool picked = forced_;
  switch (rules_.what) {
    case RecordWhat::All: picked = true; break;
    case RecordWhat::Marked: picked |= rules_.marked && rules_.marked(call_.key); break;
    case RecordWhat::Unnamed: picked |= TrimBlanks(call_.name).empty(); break;
    case RecordWhat::Off: break;
  }
  tentative_ = !picked;
  silence_.callStarted();
  const std::uint64_t preroll = samplesFor(rules_.prerollMs);
  const std::uint64_t oldest = captured_ > ring_.size() ? captured_ - ring_.size() : 0;
  openFile(std::max(at > preroll ? at - preroll : 0, oldest), 1);
}

bool CallRecorder::openFile(std::uint64_t first, int part) {
  part_ = part;
  file_start_ = written_ = first;
  file_open_ = sink_.open({call_, epochAt(first), first, part, tentative_});
  return file_open_;
}

void CallRecorder::sync(std::uint64_t target) {
  target = std::min(target, captured_);
  if (state_ == State::Hang && call_end_ + samplesFor(rules_.hangMs) <= target) {
    finish();
    return;
  }
  if (state_ != State::Active) return;
  // The silence watch hears the call itself, not its pre-roll or the gaps of its hang time.
  const std::uint64_t oldest = captured_ > ring_.size() ? captured_ - ring_.size() : 0;
  for (heard_ = std::max(heard_, oldest); heard_ < target;) {
    const std::size_t at = static_cast<std::size_t>(heard_ % ring_.size());
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(target - heard_, ring_.size() - at));
    silence_.block(MeasureLevel(ring_.data() + at, n), n);
    heard_ += n;
  }
  writeTo(target);
}

void CallRecorder::writeTo(std::uint64_t target) {
  const std::uint64_t longest = samplesFor(60LL * 1000 * rules_.maxMinutes);
  while (file_open_ && written_ < target) {
    const std::uint64_t oldest = captured_ > ring_.size() ? captured_ - ring_.size() : 0;
    written_ = std::max(written_, oldest);
    const std::uint64_t until = std::min(target, file_start_ + longest);
    while (written_ < until) {
      const std::size_t at = static_cast<std::size_t>(written_ % ring_.size());
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(until - written_, ring_.size() - at));
      if (!sink_.write(ring_.data() + at, n)) {
        file_open_ = false;
        return;
      }
      written_ += n;
    }
    if (written_ < file_start_ + longest) return;
    // Split: the next part starts with the sample after this one's last.
    const std::uint64_t split = written_;
    if (tentative_) sink_.discard(); else sink_.keep(epochAt(split));
    openFile(split, part_ + 1);
  }
}

void CallRecorder::finish() {
  if (const auto change = silence_.callEnded()) silence_change_ = change;
  if (file_open_) {
    const bool long_enough = part_ > 1 || call_end_ - call_start_ >= samplesFor(rules_.minMs);
    if (!tentative_ && (long_enough || forced_)) sink_.keep(epochAt(std::max(written_, call_end_)));
    else sink_.discard();
  }
  file_open_ = false;
  state_ = State::Idle;
}

bool CallRecorder::recordNow() {
  // The call the user hears may not have reached the recorder yet: the newest start
  // still waiting is the one in progress.
  for (auto it = pending_.rbegin(); it != pending_.rend(); ++it)
    if (it->start) return it->forced = true;
  if (state_ == State::Idle || !file_open_) return false;
  tentative_ = false;
  forced_ = true;
  return true;
}

void CallRecorder::stop() {
  flushing_ = true;
  for (Event& event : pending_) event.position = std::min(event.position, captured_);
  run();
  if (state_ == State::Active) call_end_ = captured_;
  if (state_ != State::Idle) finish();
  flushing_ = false;
}

std::optional<bool> CallRecorder::takeSilenceChange() {
  auto change = silence_change_;
  silence_change_.reset();
  return change;
}

}  // namespace scandeck
