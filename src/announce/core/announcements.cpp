#include "announce/core/announcements.h"

#include <array>
#include <utility>

#include "common/core/platform.h"
#include "common/core/safe_write.h"
#include "link/core/protocol.h"

namespace scandeck {

namespace {

constexpr std::array<AnnounceChoice, 3> kChoices = {AnnounceChoice::Nothing, AnnounceChoice::Talkgroups,
                                                    AnnounceChoice::TalkgroupsAndChannels};
constexpr std::string_view kKey = "[announce]=";
// The file holds one short line; anything longer is not ours.
constexpr std::size_t kMaxFileBytes = 256;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string_view AnnounceChoiceWord(AnnounceChoice choice) {
  switch (choice) {
    case AnnounceChoice::Nothing: return "nothing";
    case AnnounceChoice::Talkgroups: return "talkgroups";
    case AnnounceChoice::TalkgroupsAndChannels: break;
  }
  return "talkgroups and channels";
}

AnnounceChoice AnnounceChoiceFromText(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.substr(0, kKey.size()) != kKey) continue;
    const std::string_view word = Trim(line.substr(kKey.size()));
    for (AnnounceChoice c : kChoices)
      if (word == AnnounceChoiceWord(c)) return c;
  }
  return kDefaultAnnounceChoice;
}

AnnounceChoice ReadAnnounceChoice(const std::string& path) {
  int error = 0;
  const platform::FileHandle file = platform::OpenForReading(path, error);
  if (file == platform::kNoFile) return kDefaultAnnounceChoice;
  std::string text(kMaxFileBytes, '\0');
  const long long n = platform::ReadAt(file, text.data(), text.size(), 0, error);
  platform::CloseFile(file);
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return AnnounceChoiceFromText(text);
}

Failure WriteAnnounceChoice(const std::string& path, AnnounceChoice choice) {
  return WriteFileAtomically(path, std::string(kKey) + std::string(AnnounceChoiceWord(choice)) + "\r\n");
}

void Announcer::observe(const ScannerStatus& s, long long now_ms) {
  const bool starts = s.TalkgroupActive && (!talkgroup_active_ || s.TalkgroupId != talkgroup_id_);
  talkgroup_active_ = s.TalkgroupActive;
  talkgroup_id_ = s.TalkgroupId;
  if (starts && choice_ != AnnounceChoice::Nothing) {
    const std::string& name = s.TalkgroupName.empty() ? s.TalkgroupId : s.TalkgroupName;
    if (!name.empty()) queue("Talkgroup " + name);
  }

  const bool conventional = s.ModeCode < protocol::kTrunkModeThreshold;
  if (!s.SquelchOpen || !conventional || choice_ != AnnounceChoice::TalkgroupsAndChannels) {
    channel_.clear();
    return;
  }
  std::string channel = s.ChannelNumber.empty() ? std::string() : "Channel " + s.ChannelNumber + ", ";
  channel += s.ChannelName.empty() ? s.FrequencyText + " MHz" : s.ChannelName;
  if (channel != channel_) {
    channel_ = channel;
    channel_since_ = now_ms;
  }
  if (channel_ != channel_announced_ && now_ms - channel_since_ >= kSettleMs && !s.FrequencyText.empty()) {
    channel_announced_ = channel_;
    queue(channel_);
  }
}

void Announcer::focusedValue(const std::string& text) {
  if (!text.empty()) queue(text);
}

void Announcer::queue(std::string text) { pending_ = std::move(text); }

std::string Announcer::take(long long now_ms) {
  if (pending_.empty() || (spoken_ && now_ms - spoken_at_ < kGapMs)) return {};
  spoken_ = true;
  spoken_at_ = now_ms;
  return std::exchange(pending_, {});
}

}  // namespace scandeck
