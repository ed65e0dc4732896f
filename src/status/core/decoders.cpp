// One decoder per reply code. Short replies decode from what is there: a missing
// field is empty text, so flags read as off and numbers as 0.
#include <algorithm>
#include <cmath>
#include <string>

#include "common/core/text.h"
#include "link/core/protocol.h"
#include "status/core/process_replies.h"

namespace scandeck {

namespace cmd = protocol::cmd;
namespace field = protocol::field;
using protocol::Take;
using Step = ProcessingFailures::Step;

namespace {

// A bank letter that is not there.
constexpr int kInvalidArgument = errc::kInvalidArgument;

bool FlagOn(std::string_view reply) {
  const auto flag = Take(reply, field::kFlag);
  return !flag.empty() && flag[0] == protocol::kFlagOn;
}

void ReadSelection(std::string_view reply, std::array<std::string, 11>& banks, std::array<bool, 11>& lit) {
  const auto letters = Take(reply, field::kBankLetters);
  for (int k = 1; k <= protocol::kBanks; ++k) {
    const char letter = protocol::BankLetter(k);
    banks[k] = letters.find(letter) != std::string_view::npos ? std::string(1, letter) : std::string();
    lit[k] = !banks[k].empty();
  }
}

// The last entry of the bank whose ID equals `id` exactly, or nullptr.
const IdEntry* LastMatch(const IdDirectory& directory, int bank, const std::string& id) {
  for (int e = kIdEntriesPerBank; e >= 1; --e) {
    const IdEntry& entry = directory.at(bank, e);
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

}  // namespace

void StatusProcessor::squelchOpen(std::string_view) {
  sendFollowUp(cmd::kFrequency);
  status_.SquelchOpen = true;
  if (events_) events_->squelchOpened(status_.ModeCode < protocol::kTrunkModeThreshold);
  if (status_.ModeCode < protocol::kTrunkModeThreshold && compact_.popUp()) compact_.showWindow(true);
  compact_.showLabel(&CompactView::NameLbl, true);
  compact_.showLabel(&CompactView::TypeLbl, true);
}

void StatusProcessor::squelchClosed(std::string_view) {
  compact_.showLabel(&CompactView::NameLbl, false);
  compact_.showLabel(&CompactView::TypeLbl, false);
  compact_.showLabel(&CompactView::IDNameLbl, false);
  compact_.showLabel(&CompactView::IDTypeLbl, false);
  status_.SquelchOpen = false;
  if (events_) events_->squelchClosed();
  if (status_.ModeCode < protocol::kTrunkModeThreshold && compact_.popUp()) compact_.showWindow(false);
}

void StatusProcessor::mode(std::string_view reply) {
  const auto digits = Take(reply, field::kModeDigits);
  const double value = NumericValue(digits);
  if (value < protocol::kTrunkModeThreshold) {
    status_.TalkgroupId.clear();
    status_.TalkgroupName.clear();
    status_.TalkgroupType.clear();
  }
  // Two characters at most, so the value always fits; halves round to even.
  status_.ModeCode = static_cast<std::int16_t>(std::nearbyint(value));
  if (const auto* entry = protocol::FindMode(digits)) {
    status_.ModeText = entry->text;
    if (entry->trunkId) {
      sendFollowUp(cmd::kTrunkBank);
      sendFollowUp(cmd::kIdChannel);
    }
  }
}

void StatusProcessor::modeCopy(std::string_view) {
  compact_.setLabel(&CompactView::ModeLbl, status_.ModeText);
}

void StatusProcessor::frequency(std::string_view reply) {
  status_.FrequencyText = FrequencyTextFromUnits(Take(reply, field::kFrequency), separator_);
  const auto wanted = TrimBlanks(status_.FrequencyText);
  if (events_) events_->frequencyReported(wanted);
  for (int n = 1; n <= kFreqChannels; ++n) {
    const FreqChannel& channel = channels_[n];
    if (TrimBlanks(channel.frequency) != wanted) continue;
    status_.ChannelName = channel.name;
    compact_.setLabel(&CompactView::NameLbl,
                      channel.name.empty() ? status_.FrequencyText : channel.name);
    status_.ChannelNumber = std::to_string(n);
    status_.ChannelType = channel.type;
    compact_.setLabel(&CompactView::TypeLbl, channel.type);
    break;
  }
  if (status_.CenterTuningOn)
    status_.TuningOffset = NumericValue(Take(reply, field::kCentreTuning)) * 20 - 150;
}

void StatusProcessor::delay(std::string_view reply) {
  status_.DelayOn = FlagOn(reply);
  const auto& modes = protocol::kLockoutModes;
  if (std::find(modes.begin(), modes.end(), status_.ModeText) != modes.end())
    sendFollowUp(cmd::kLockout);
}

void StatusProcessor::lockout(std::string_view reply) { status_.LockoutOn = FlagOn(reply); }
void StatusProcessor::priority(std::string_view reply) { status_.PriorityOn = FlagOn(reply); }
void StatusProcessor::dataSkip(std::string_view reply) { status_.DataSkipOn = FlagOn(reply); }
void StatusProcessor::attenuator(std::string_view reply) { status_.AttenuatorOn = FlagOn(reply); }
void StatusProcessor::light(std::string_view reply) { status_.LightState = FlagOn(reply); }

void StatusProcessor::audio(std::string_view reply) {
  const auto flag = Take(reply, field::kFlag);
  if (flag.size() == 1 && flag[0] == protocol::kFlagOn)
    status_.AudioState = Audio::Mute;
  else if (flag.size() == 1 && flag[0] == protocol::kFlagOff)
    status_.AudioState = Audio::Monitor;
  else
    status_.AudioState = Audio::Neither;
}

void StatusProcessor::lowerLimit(std::string_view reply) {
  status_.LowerLimit = FrequencyTextFromUnits(Take(reply, field::kLimit), separator_);
  sendFollowUp(cmd::kUpperLimit);
}

void StatusProcessor::upperLimit(std::string_view reply) {
  status_.UpperLimit = FrequencyTextFromUnits(Take(reply, field::kLimit), separator_);
}

void StatusProcessor::scanBanks(std::string_view reply) {
  ReadSelection(reply, status_.ScanBanks, status_.BankLit);
}
void StatusProcessor::idScanBanks(std::string_view reply) {
  ReadSelection(reply, status_.IdScanBanks, status_.IdBankLit);
}

// Trunk replies.

void StatusProcessor::talkgroupStart(std::string_view reply) {
  status_.TalkgroupId = Take(reply, field::kTalkgroupId);
  if (const auto bank = directoryBank()) {
    if (const IdEntry* entry = LastMatch(talkgroups_, *bank, status_.TalkgroupId)) {
      status_.TalkgroupName = entry->name;
      compact_.setLabel(&CompactView::IDNameLbl,
                        entry->name.empty() ? status_.TalkgroupId : entry->name);
      compact_.showLabel(&CompactView::IDNameLbl, true);
      status_.TalkgroupType = entry->type;
      compact_.setLabel(&CompactView::IDTypeLbl, entry->type);
      compact_.showLabel(&CompactView::IDTypeLbl, true);
    }
  }
  status_.TalkgroupActive = true;
  if (events_) events_->talkgroupStarted(status_.TrunkBank, status_.TalkgroupId);
  if (status_.ModeCode > protocol::kTrunkModeThreshold && compact_.popUp()) compact_.showWindow(true);
}

void StatusProcessor::talkgroupEnd(std::string_view reply) {
  status_.TalkgroupId = Take(reply, field::kTalkgroupId);
  status_.TalkgroupActive = false;
  if (events_) events_->talkgroupEnded(status_.TrunkBank, status_.TalkgroupId);
  if (status_.ModeCode > protocol::kTrunkModeThreshold && compact_.popUp()) compact_.showWindow(false);
  compact_.showLabel(&CompactView::IDNameLbl, false);
  compact_.showLabel(&CompactView::IDTypeLbl, false);
}

void StatusProcessor::trunkBank(std::string_view reply) {
  const auto letter = Take(reply, field::kTrunkBankLetter);
  if (letter.empty()) {
    failures_.failed(Step::TrunkBankLetter, {kInvalidArgument, "Invalid procedure call or argument"});
  } else {
    failures_.succeeded(Step::TrunkBankLetter);
    status_.TrunkBank = std::to_string(protocol::BankNumber(letter[0]));
  }
  status_.SystemName = Take(reply, field::kSystemText);
}

void StatusProcessor::idChannel(std::string_view reply) {
  int id_bank = 0;
  const auto letter = Take(reply, field::kIdBankLetter);
  if (letter.empty()) {
    failures_.failed(Step::IdBankLetter, {kInvalidArgument, "Invalid procedure call or argument"});
  } else {
    failures_.succeeded(Step::IdBankLetter);
    id_bank = protocol::BankNumber(letter[0]);
  }
  std::string position(Take(reply, field::kIdPosition));
  if (position == "0") position = "10";
  status_.IdChannel = std::to_string(id_bank) + "-" + position;

  std::string id(Take(reply, field::kIdText));
  std::replace(id.begin(), id.end(), protocol::kIdGlyph, '=');
  status_.IdChannelId = std::move(id);

  if (const auto bank = directoryBank()) {
    if (const IdEntry* entry = LastMatch(talkgroups_, *bank, status_.IdChannelId)) {
      status_.IdChannelName = entry->name;
      status_.IdChannelType = entry->type;
    }
  }
}

void StatusProcessor::RefreshNames() {
  const auto wanted = TrimBlanks(status_.FrequencyText);
  for (int n = 1; n <= kFreqChannels && !wanted.empty(); ++n) {
    const FreqChannel& channel = channels_[n];
    if (TrimBlanks(channel.frequency) != wanted) continue;
    status_.ChannelNumber = std::to_string(n);
    status_.ChannelName = channel.name;
    status_.ChannelType = channel.type;
    compact_.setLabel(&CompactView::NameLbl, channel.name.empty() ? status_.FrequencyText : channel.name);
    compact_.setLabel(&CompactView::TypeLbl, channel.type);
    break;
  }
  // Unlike a report, a refresh says nothing of a bank out of range.
  const double bank = NumericValue(status_.TrunkBank);
  if (bank < 0 || bank > kIdBanks) return;
  const int b = static_cast<int>(bank);
  if (const IdEntry* entry = status_.TalkgroupId.empty() ? nullptr : LastMatch(talkgroups_, b, status_.TalkgroupId)) {
    status_.TalkgroupName = entry->name;
    status_.TalkgroupType = entry->type;
    compact_.setLabel(&CompactView::IDNameLbl, entry->name.empty() ? status_.TalkgroupId : entry->name);
    compact_.setLabel(&CompactView::IDTypeLbl, entry->type);
  }
  if (const IdEntry* entry = status_.IdChannelId.empty() ? nullptr : LastMatch(talkgroups_, b, status_.IdChannelId)) {
    status_.IdChannelName = entry->name;
    status_.IdChannelType = entry->type;
  }
}

}  // namespace scandeck
