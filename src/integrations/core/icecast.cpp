#include "integrations/core/icecast.h"

#include <algorithm>

namespace scandeck {

std::string PercentEncode(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                            c == '-' || c == '.' || c == '_' || c == '~';
    if (unreserved) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
  }
  return out;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    unsigned long group = 0;
    for (std::size_t k = 0; k < 3; ++k)
      group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
  }
  return out;
}

IcecastRequest MetadataRequest(const IcecastTarget& target, std::string_view song_latin1) {
  IcecastRequest request;
  // The mount is a path the server compares byte for byte: it goes as UTF-8 like the title.
  request.target = "/admin/metadata?mode=updinfo&mount=" + PercentEncode(Latin1ToUtf8(target.mount)) +
                   "&song=" + PercentEncode(Latin1ToUtf8(song_latin1)) + "&charset=UTF-8";
  request.authorization = "Basic " + Base64(Latin1ToUtf8(target.user + ":" + target.password));
  return request;
}

void TitleSchedule::offer(const std::string& text) {
  if (offered_ == text) return;
  offered_ = text;
  waiting_.push_back({clock_.now() + std::chrono::milliseconds(delay_), text});
  if (waiting_.size() > kMaxWaitingTitles) waiting_.pop_front();
}

std::optional<std::string> TitleSchedule::next() {
  const auto now = clock_.now();
  if (in_flight_ || now < not_before_) return std::nullopt;
  // The newest text that is due; older ones were overtaken while waiting.
  std::optional<std::string> due;
  while (!waiting_.empty() && waiting_.front().due <= now) {
    due = std::move(waiting_.front().text);
    waiting_.pop_front();
  }
  if (!due || due == sent_) return std::nullopt;
  in_flight_ = due;
  return due;
}

bool TitleSchedule::finished(bool ok) {
  if (!in_flight_) return false;
  const auto now = clock_.now();
  const bool was_failing = failing_;
  if (ok) {
    sent_ = std::move(in_flight_);
    backoff_ = std::chrono::milliseconds{0};
    failing_ = false;
    not_before_ = now + kTitleMinGap;
  } else {
    backoff_ = backoff_.count() == 0 ? kFirstRetry : std::min(backoff_ * 2, kLongestRetry);
    failing_ = true;
    not_before_ = now + backoff_;
    // Tried again unless a newer text has come due by then.
    waiting_.push_front({now, std::move(*in_flight_)});
  }
  in_flight_.reset();
  return was_failing != failing_;
}

void TitleSchedule::reset() {
  waiting_.clear();
  offered_.reset();
  sent_.reset();
  in_flight_.reset();
  not_before_ = std::chrono::milliseconds::min();
  backoff_ = std::chrono::milliseconds{0};
  failing_ = false;
}

}  // namespace scandeck
