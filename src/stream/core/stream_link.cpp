#include "stream/core/stream_link.h"

#include <algorithm>
#include <cctype>

namespace scandeck {

namespace {
// Titles waiting for their audio; more than this many within the queue's span is
// a template changing faster than anyone can read it.
constexpr std::size_t kMaxTitles = 64;

bool Contains(std::string_view text, std::string_view word) {
  return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         }) != text.end();
}
}  // namespace

std::chrono::milliseconds ReconnectDelay::next() {
  const auto now = next_;
  next_ = std::min(next_ * 2, kLast);
  return now;
}

void StreamQueue::push(AudioBlock block) {
  if (block.samples.empty()) return;
  samples_ += block.samples.size();
  blocks_.push_back(std::move(block));
  while (samples_ > max_samples_ && blocks_.size() > 1) {
    samples_ -= blocks_.front().samples.size();
    dropped_ += blocks_.front().samples.size();
    blocks_.pop_front();
  }
}

void StreamQueue::title(TitleMark mark) {
  // A capture started again counts from zero: titles of the old count would wait
  // for audio that never comes.
  if (!titles_.empty() && mark.position < titles_.back().position) titles_.clear();
  titles_.push_back(std::move(mark));
  if (titles_.size() > kMaxTitles) titles_.erase(titles_.begin());
}

std::optional<StreamQueue::Piece> StreamQueue::take() {
  if (blocks_.empty()) return std::nullopt;
  Piece piece;
  AudioBlock& front = blocks_.front();
  while (!titles_.empty() && titles_.front().position <= front.first) {
    piece.changed = std::move(titles_.front());
    titles_.pop_front();
  }
  const std::uint64_t end = front.first + front.samples.size();
  if (!titles_.empty() && titles_.front().position < end) {
    const auto cut = static_cast<std::ptrdiff_t>(titles_.front().position - front.first);
    piece.audio.first = front.first;
    piece.audio.rate = front.rate;
    piece.audio.samples.assign(front.samples.begin(), front.samples.begin() + cut);
    front.samples.erase(front.samples.begin(), front.samples.begin() + cut);
    front.first += static_cast<std::uint64_t>(cut);
  } else {
    piece.audio = std::move(front);
    blocks_.pop_front();
  }
  samples_ -= piece.audio.samples.size();
  return piece;
}

void StreamQueue::dropAudio() {
  dropped_ += samples_;
  blocks_.clear();
  samples_ = 0;
  if (titles_.empty()) return;
  TitleMark newest = std::move(titles_.back());
  newest.position = 0;
  titles_.clear();
  titles_.push_back(std::move(newest));
}

StreamFault ClassifyOpenFailure(bool login_failed, std::string_view server_text) {
  if (Contains(server_text, "in use") || Contains(server_text, "403")) return StreamFault::MountInUse;
  if (login_failed || Contains(server_text, "401")) return StreamFault::Refused;
  return StreamFault::Unreachable;
}

bool StreamHealth::connected() {
  const std::string text = (ever_connected_ ? "Stream: connected again to " : "Stream: sending to ") + where_;
  fault_ = StreamFault::None;
  ever_connected_ = true;
  if (text == text_) return false;
  text_ = text;
  return true;
}

bool StreamHealth::failed(StreamFault fault, const std::string& why) {
  // While the connection is away, its causes may alternate between "unreachable"
  // and "lost" with every try: the loss is told once. A refusal is news of its own.
  const bool refusal = fault == StreamFault::Refused || fault == StreamFault::MountInUse;
  if (fault_ != StreamFault::None && (!refusal || fault == fault_)) return false;
  fault_ = fault;
  switch (fault) {
    case StreamFault::Refused:
      text_ = "Stream: " + where_ + " refused the user name or password; trying again after a pause";
      break;
    case StreamFault::MountInUse:
      text_ = "Stream: the mount on " + where_ + " is in use by another source; trying again after a pause";
      break;
    case StreamFault::Lost:
      text_ = "Stream: the connection to " + where_ + " was lost (" + why + "); trying again";
      break;
    default:
      text_ = "Stream: cannot reach " + where_ + " (" + why + "); trying again";
      break;
  }
  return true;
}

}  // namespace scandeck
