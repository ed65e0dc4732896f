#include "sim/core/scanner.h"

#include <algorithm>
#include <limits>

#include "sim/core/demo_plan.h"

namespace scandeck::sim {

namespace {

constexpr Millis kNever{std::numeric_limits<std::int64_t>::max() / 4};
constexpr long kSearchStep = 125;  // 12.5 kHz
constexpr Millis kScanDwell{10};   // per channel or search step while nothing is heard
constexpr Millis kChannelDelay{2000};
// The lowest and highest frequencies the radio can be set to, in units of 100 Hz.
constexpr long kLowestUnits = 250000;
constexpr long kHighestUnits = 9560000;
// Service search 1 covers the public safety VHF band, service search hold sits in it.
constexpr long kServiceLow = 1540000;
constexpr long kServiceHigh = 1590000;

std::string Digits(long value, int width) {
  std::string out = std::to_string(value < 0 ? 0 : value);
  if (static_cast<int>(out.size()) < width) out.insert(0, width - out.size(), '0');
  return out;
}

char Flag(bool on) { return on ? 'N' : 'F'; }
char BankLetter(int bank) { return static_cast<char>('A' + bank - 1); }

bool AllDigits(std::string_view text, std::size_t count) {
  if (text.size() != count) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

long DigitsValue(std::string_view text) {
  long value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

// Letters "A".."J" into a bank selection; false on anything else.
bool ParseBanks(std::string_view letters, std::array<bool, kBanks + 1>& banks) {
  std::array<bool, kBanks + 1> chosen{};
  for (char c : letters) {
    if (c < 'A' || c >= 'A' + kBanks) return false;
    chosen[c - 'A' + 1] = true;
  }
  banks = chosen;
  return true;
}

std::string BankLetters(const std::array<bool, kBanks + 1>& banks) {
  std::string out;
  for (int b = 1; b <= kBanks; ++b)
    if (banks[b]) out += BankLetter(b);
  return out;
}

bool IsSweeping(Mode mode) { return mode == Mode::LimitSearch || mode == Mode::ServiceSearch; }

}  // namespace

std::string ModeDigits(Mode mode) { return Digits(static_cast<int>(mode), 2); }

bool IsTrunkMode(Mode mode) { return static_cast<int>(mode) >= static_cast<int>(Mode::IdAcquire); }

ScannerState DemoMemories() {
  ScannerState s;
  for (const DemoChannel& c : kDemoChannels) {
    MemoryChannel& m = s.channels[c.channel];
    m.units = c.units;
    m.delay = c.delay;
    m.lockout = c.lockout;
  }
  TrunkSystem& system = s.systems[kDemoTrunkBank];
  system.present = true;
  system.text = std::string(kDemoSystemText);
  for (const DemoTalkgroup& t : kDemoTalkgroups) system.ids[t.id_bank - 1][t.position - 1] = std::string(t.id);
  system.frequencies = {8510125, 8512625, 8515125, 8517625, 8520125};
  s.trunk_bank = kDemoTrunkBank;
  for (int b : {1, 2, 3}) s.scan_banks[b] = true;
  for (int b : {1, 2, 3}) s.id_banks[b] = true;
  return s;
}

Scanner::Scanner(std::uint64_t seed, double activity_per_minute, ScannerState state)
    : state_(std::move(state)), rng_(seed), activity_per_minute_(activity_per_minute) {
  powerOn(Millis{0});
}

void Scanner::powerOn(Millis now) {
  mode_since_ = now;
  schedule(now);
}

Millis Scanner::nextEvent() const {
  Millis t = kNever;
  if (state_.mode == Mode::IdAcquire) t = std::min(t, acquired_at_);
  if (in_delay_) t = std::min(t, resume_at_);
  t = std::min(t, state_.squelch_open ? call_end_ : call_start_);
  return t;
}

void Scanner::schedule(Millis now) {
  if (activity_per_minute_ <= 0.0) {
    call_start_ = kNever;
    return;
  }
  // Gaps spread evenly around the mean, so a session neither bunches up nor goes dead.
  const auto mean = static_cast<long long>(60000.0 / activity_per_minute_);
  call_start_ = now + Millis{rng_.between(std::max(1LL, mean / 5), std::max(1LL, mean * 9 / 5))};
}

void Scanner::run(Millis until, const Emit& emit) {
  for (Millis t = nextEvent(); t <= until; t = nextEvent()) {
    if (state_.mode == Mode::IdAcquire && acquired_at_ <= t) {
      const bool lists = std::any_of(state_.id_banks.begin() + 1, state_.id_banks.end(), [](bool b) { return b; });
      setMode(lists ? Mode::ScanId : Mode::IdSearch, t, emit);
    } else if (in_delay_ && resume_at_ <= t) {
      in_delay_ = false;
    } else if (state_.squelch_open) {
      endTransmission(t, emit);
      schedule(t);
    } else {
      startTransmission(t, emit);
    }
  }
}

std::vector<int> Scanner::scanList() const {
  std::vector<int> out;
  for (int ch = 1; ch <= kChannels; ++ch) {
    const MemoryChannel& m = state_.channels[ch];
    const int bank = (ch - 1) / kChannelsPerBank + 1;
    if (state_.scan_banks[bank] && m.units != 0 && !m.lockout && !m.trunk) out.push_back(ch);
  }
  return out;
}

std::vector<std::pair<int, int>> Scanner::idList() const {
  std::vector<std::pair<int, int>> out;
  if (state_.trunk_bank < 1 || state_.trunk_bank > kBanks) return out;
  const TrunkSystem& system = state_.systems[state_.trunk_bank];
  for (int g = 1; g <= kIdBanks; ++g)
    for (int p = 1; p <= kIdsPerBank; ++p)
      if (!system.ids[g - 1][p - 1].empty()) out.emplace_back(g, p);
  return out;
}

int Scanner::chooseTrunkBank() const {
  // The system in a bank being scanned wins; otherwise the first one stored.
  for (int b = 1; b <= kBanks; ++b)
    if (state_.systems[b].present && state_.scan_banks[b]) return b;
  for (int b = 1; b <= kBanks; ++b)
    if (state_.systems[b].present) return b;
  return 0;
}

void Scanner::startTransmission(Millis now, const Emit& emit) {
  schedule(now);  // the next call after a quiet spell, unless this one starts
  long units = 0;
  std::string talkgroup;
  const Mode mode = state_.mode;
  if (mode == Mode::Scan) {
    const std::vector<int> list = in_delay_ ? std::vector<int>{state_.channel} : scanList();
    if (list.empty()) return;
    state_.channel = list[rng_.below(list.size())];
    units = state_.channels[state_.channel].units;
  } else if (mode == Mode::Manual) {
    units = state_.channels[state_.channel].units;
  } else if (IsSweeping(mode)) {
    long low = mode == Mode::ServiceSearch ? kServiceLow : std::min(state_.lower_limit, state_.upper_limit);
    long high = mode == Mode::ServiceSearch ? kServiceHigh : std::max(state_.lower_limit, state_.upper_limit);
    units = low + kSearchStep * rng_.between(0, (high - low) / kSearchStep);
    state_.search_units = units;
  } else if (mode == Mode::HoldSearch || mode == Mode::ServiceSearchHold) {
    if (!state_.lockout) units = state_.search_units;
  } else if (mode == Mode::IdSearch || mode == Mode::ScanId) {
    const auto ids = idList();
    std::vector<std::pair<int, int>> pool;
    for (auto [g, p] : ids)
      if (mode == Mode::IdSearch || state_.id_banks[g]) pool.emplace_back(g, p);
    // ID search also hears talkgroups nobody has stored.
    if (mode == Mode::IdSearch && (pool.empty() || rng_.below(4) == 0)) {
      talkgroup = std::string("4");
      talkgroup += Digits(rng_.between(0, 99), 2);
      talkgroup += '-';
      talkgroup += Digits(rng_.between(0, 99), 2);
    } else if (!pool.empty()) {
      const auto [g, p] = pool[rng_.below(pool.size())];
      state_.id_bank = g;
      state_.id_position = p;
      talkgroup = state_.systems[state_.trunk_bank].ids[g - 1][p - 1];
    }
  } else if (mode == Mode::IdSearchHold || mode == Mode::HoldId) {
    if (!state_.lockout) talkgroup = state_.talkgroup;
  }

  const bool trunk = IsTrunkMode(mode);
  if (trunk) {
    if (talkgroup.empty() || state_.trunk_bank < 1) return;
    const auto& freqs = state_.systems[state_.trunk_bank].frequencies;
    units = freqs.size() > 1 ? freqs[1 + rng_.below(freqs.size() - 1)] : (freqs.empty() ? 0 : freqs[0]);
  }
  if (units == 0) return;

  heard_units_ = units;
  tuning_ = static_cast<int>(rng_.between(100, 120));
  state_.squelch_open = true;
  call_end_ = now + Millis{rng_.between(trunk ? 1500 : 800, trunk ? 8000 : 6000)};
  if (trunk) {
    state_.talkgroup = talkgroup;
    if (state_.id_reports && state_.remote) emit("ID S " + talkgroup);
  }
  if (state_.squelch_reports && state_.remote) emit("+");
}

void Scanner::endTransmission(Millis now, const Emit& emit) {
  if (!state_.squelch_open) return;
  state_.squelch_open = false;
  if (state_.squelch_reports && state_.remote) emit("-");
  if (IsTrunkMode(state_.mode) && state_.id_reports && state_.remote) emit("ID E " + state_.talkgroup);
  // A channel with delay stays put a while after the carrier drops, in case the answer comes.
  if (state_.mode == Mode::Scan && state_.channels[state_.channel].delay) {
    in_delay_ = true;
    resume_at_ = now + kChannelDelay;
  }
}

void Scanner::setMode(Mode mode, Millis now, const Emit& emit) {
  if (IsSweeping(state_.mode) && !IsSweeping(mode)) state_.search_units = currentUnits(now);
  if (state_.squelch_open) {
    endTransmission(now, emit);
    schedule(now);
  }
  in_delay_ = false;
  state_.mode = mode;
  mode_since_ = now;
}

long Scanner::currentUnits(Millis now) const {
  if (state_.squelch_open) return heard_units_;
  const Mode mode = state_.mode;
  const auto steps_since = [&](long long count) {
    return count <= 0 ? 0 : static_cast<long long>(((now - mode_since_) / kScanDwell) % count);
  };
  if (mode == Mode::Scan && !in_delay_) {
    const auto list = scanList();
    if (!list.empty()) return state_.channels[list[static_cast<std::size_t>(steps_since(static_cast<long long>(list.size())))]].units;
  }
  if (mode == Mode::Scan || mode == Mode::Manual) return state_.channels[state_.channel].units;
  if (IsSweeping(mode)) {
    const long low = mode == Mode::ServiceSearch ? kServiceLow : std::min(state_.lower_limit, state_.upper_limit);
    const long high = mode == Mode::ServiceSearch ? kServiceHigh : std::max(state_.lower_limit, state_.upper_limit);
    return low + kSearchStep * static_cast<long>(steps_since((high - low) / kSearchStep + 1));
  }
  if (mode == Mode::HoldSearch || mode == Mode::ServiceSearchHold) return state_.search_units;
  if (state_.trunk_bank < 1 || state_.trunk_bank > kBanks) return 0;
  const auto& freqs = state_.systems[state_.trunk_bank].frequencies;
  if (freqs.empty()) return 0;
  if (mode == Mode::IdAcquire) return freqs[static_cast<std::size_t>(((now - mode_since_) / Millis{100}) % static_cast<long long>(freqs.size()))];
  return freqs[0];
}

std::string Scanner::channelRecord(int channel) const {
  const MemoryChannel& m = state_.channels[channel];
  std::string out = "C";
  out += Digits(channel, 3);
  out += " F";
  out += Digits(m.units, 8);
  out += " T";
  out += Flag(m.trunk);
  out += " D";
  out += Flag(m.delay);
  out += " L";
  out += Flag(m.lockout);
  return out;
}

std::string Scanner::idChannelReply(int bank, int position) const {
  std::string id = "------";
  if (state_.trunk_bank >= 1 && state_.trunk_bank <= kBanks) {
    const std::string& stored = state_.systems[state_.trunk_bank].ids[bank - 1][position - 1];
    if (!stored.empty()) id = stored;
  }
  id.resize(6, ' ');
  std::string out = "IC ";
  out += BankLetter(bank);
  out += static_cast<char>('0' + position % 10);
  out += ' ';
  return out + id;
}

void Scanner::command(std::string_view line, Millis now, const Emit& emit) {
  if (!state_.remote) return;
  run(now, emit);
  reply(line, now, emit);
}

bool Scanner::keyCommand(std::string_view key, Millis now, const Emit& emit) {
  const Mode mode = state_.mode;
  const bool trunk = IsTrunkMode(mode);
  const auto go = [&](Mode to) {
    emit("OK");
    if (to != mode) setMode(to, now, emit);
    return true;
  };
  const auto refuse = [&] {
    emit("NG");
    return true;
  };

  if (key == "00") {
    if (mode == Mode::IdAcquire) return go(mode);
    return go(trunk ? Mode::ScanId : Mode::Scan);
  }
  if (key == "01") return go(Mode::Manual);
  if (key == "04H") {
    emit("OK");
    setMode(trunk ? Mode::ScanId : Mode::Scan, now, emit);
    state_.remote = false;
    return true;
  }
  if (key == "06") {  // lockout
    if (mode == Mode::Manual) {
      state_.channels[state_.channel].lockout = !state_.channels[state_.channel].lockout;
      emit("OK");
      return true;
    }
    if (mode == Mode::Scan) {
      if (!state_.squelch_open && !in_delay_) return refuse();
      state_.channels[state_.channel].lockout = true;
      emit("OK");
      if (state_.squelch_open) {
        endTransmission(now, emit);
        schedule(now);
      }
      in_delay_ = false;
      return true;
    }
    if (mode == Mode::HoldSearch || mode == Mode::ServiceSearchHold || mode == Mode::IdSearchHold ||
        mode == Mode::HoldId) {
      state_.lockout = !state_.lockout;
      emit("OK");
      if (state_.lockout && state_.squelch_open) {
        endTransmission(now, emit);
        schedule(now);
      }
      return true;
    }
    return refuse();
  }
  if (key == "07") {  // hold
    switch (mode) {
      case Mode::Scan: return go(Mode::Manual);
      case Mode::LimitSearch: return go(Mode::HoldSearch);
      case Mode::HoldSearch: return go(Mode::LimitSearch);
      case Mode::ServiceSearch: return go(Mode::ServiceSearchHold);
      case Mode::ServiceSearchHold: return go(Mode::ServiceSearch);
      case Mode::IdSearch: return state_.talkgroup.empty() ? refuse() : go(Mode::IdSearchHold);
      case Mode::IdSearchHold: return go(Mode::IdSearch);
      case Mode::ScanId: return state_.talkgroup.empty() ? refuse() : go(Mode::HoldId);
      case Mode::HoldId: return go(Mode::ScanId);
      default: return refuse();
    }
  }
  if (key == "08") {  // step up
    if (mode == Mode::Manual) {
      state_.channel = state_.channel % kChannels + 1;
      emit("OK");
      return true;
    }
    if (mode == Mode::HoldSearch || mode == Mode::ServiceSearchHold) {
      const long high = mode == Mode::HoldSearch ? std::max(state_.lower_limit, state_.upper_limit) : kServiceHigh;
      const long low = mode == Mode::HoldSearch ? std::min(state_.lower_limit, state_.upper_limit) : kServiceLow;
      state_.search_units += kSearchStep;
      if (state_.search_units > high) state_.search_units = low;
      emit("OK");
      return true;
    }
    return refuse();
  }
  if (key == "09") {  // search
    if (mode == Mode::IdAcquire) return refuse();
    if (trunk) return go(Mode::IdSearch);
    if (mode == Mode::LimitSearch) {
      emit("OK");
      mode_since_ = now;  // starts the sweep over from the lower limit
      return true;
    }
    return go(Mode::LimitSearch);
  }
  if (key == "10") return trunk ? refuse() : go(Mode::ServiceSearch);
  if (key == "12") {  // delay
    if (mode == Mode::IdAcquire) return refuse();
    if (mode == Mode::Scan || mode == Mode::Manual)
      state_.channels[state_.channel].delay = !state_.channels[state_.channel].delay;
    else
      state_.delay = !state_.delay;
    emit("OK");
    return true;
  }
  if (key == "13") {  // trunk
    if (trunk) return go(Mode::Scan);
    const int bank = chooseTrunkBank();
    if (bank == 0) return refuse();
    state_.trunk_bank = bank;
    emit("OK");
    setMode(Mode::IdAcquire, now, emit);
    acquired_at_ = now + Millis{rng_.between(600, 1200)};
    return true;
  }
  return false;
}

void Scanner::reply(std::string_view cmd, Millis now, const Emit& emit) {
  const auto ok = [&] { emit("OK"); };
  const auto flag = [&](std::string_view code, bool on) {
    std::string out(code);
    out += Flag(on);
    emit(out);
  };
  const bool on_channel = state_.mode == Mode::Scan || state_.mode == Mode::Manual;
  const MemoryChannel& here = state_.channels[state_.channel];

  if (cmd == "WI") {
    const int tuning = state_.squelch_open ? tuning_ : 110;
    std::string w = "W";
    w += Digits(tuning, 3);
    w += " F";
    w += Digits(currentUnits(now), 8);
    emit(w);
  } else if (cmd == "MD") {
    emit("MD" + ModeDigits(state_.mode));
  } else if (cmd == "DL") {
    flag("DL", on_channel ? here.delay : state_.delay);
  } else if (cmd == "LO") {
    flag("LO", on_channel ? here.lockout : state_.lockout);
  } else if (cmd == "PR") {
    flag("PR", state_.priority);
  } else if (cmd == "DS") {
    flag("DS", state_.data_skip);
  } else if (cmd == "AT") {
    flag("AT", state_.attenuator);
  } else if (cmd == "LT") {
    flag("LT", state_.light);
  } else if (cmd == "SQ") {
    emit(state_.squelch_open ? "+" : "-");
  } else if (cmd == "MU") {
    emit(state_.audio == Audio::Mute ? "MUN" : state_.audio == Audio::Monitor ? "MUF" : "MUA");
  } else if (cmd == "SB") {
    emit("SB" + BankLetters(state_.scan_banks));
  } else if (cmd == "IS") {
    emit("IS" + BankLetters(state_.id_banks));
  } else if (cmd == "LL" || cmd == "LU") {
    emit(std::string(cmd) + Digits(cmd == "LL" ? state_.lower_limit : state_.upper_limit, 8));
  } else if (cmd == "TB") {
    const int bank = state_.trunk_bank >= 1 ? state_.trunk_bank : chooseTrunkBank();
    if (bank == 0) {
      emit("NG");
      return;
    }
    std::string text = state_.systems[bank].text;
    text.resize(10, ' ');
    std::string out = "TB ";
    out += BankLetter(bank);
    emit(out + " " + text);
  } else if (cmd == "IC") {
    emit(idChannelReply(state_.id_bank, state_.id_position));
  } else if (cmd.size() == 5 && cmd.substr(0, 3) == "IC ") {
    const char letter = cmd[3];
    const char digit = cmd[4];
    if (letter < 'A' || letter >= 'A' + kIdBanks || digit < '0' || digit > '9') {
      emit("ERR");
      return;
    }
    state_.id_bank = letter - 'A' + 1;
    state_.id_position = digit == '0' ? 10 : digit - '0';
    emit(idChannelReply(state_.id_bank, state_.id_position));
    // While trunking, direct access holds on that talkgroup until scan is pressed.
    const std::string& id = state_.systems[std::clamp(state_.trunk_bank, 0, kBanks)]
                                .ids[state_.id_bank - 1][state_.id_position - 1];
    if (id.empty()) return;
    if (state_.mode == Mode::IdSearch || state_.mode == Mode::IdSearchHold) {
      setMode(Mode::IdSearchHold, now, emit);
      state_.talkgroup = id;
    } else if (state_.mode == Mode::ScanId || state_.mode == Mode::HoldId) {
      setMode(Mode::HoldId, now, emit);
      state_.talkgroup = id;
    }
  } else if (cmd.substr(0, 3) == "SB " || cmd.substr(0, 3) == "IS ") {
    auto& banks = cmd[0] == 'S' ? state_.scan_banks : state_.id_banks;
    emit(ParseBanks(cmd.substr(3), banks) ? "OK" : "ERR");
  } else if (cmd == "LTN" || cmd == "LTF") {
    state_.light = cmd[2] == 'N';
    ok();
  } else if (cmd == "ALN" || cmd == "ALF") {
    state_.auto_light = cmd[2] == 'N';
    ok();
  } else if (cmd == "PRN" || cmd == "PRF") {
    state_.priority = cmd[2] == 'N';
    ok();
  } else if (cmd == "DSN" || cmd == "DSF") {
    state_.data_skip = cmd[2] == 'N';
    ok();
  } else if (cmd == "ATN" || cmd == "ATF") {
    state_.attenuator = cmd[2] == 'N';
    ok();
  } else if (cmd == "MUN" || cmd == "MUF" || cmd == "MUA") {
    state_.audio = cmd[2] == 'N' ? Audio::Mute : cmd[2] == 'F' ? Audio::Monitor : Audio::Neither;
    ok();
  } else if (cmd == "QUN" || cmd == "QUF") {
    state_.squelch_reports = cmd[2] == 'N';
    ok();
  } else if (cmd == "IDN" || cmd == "IDF") {
    state_.id_reports = cmd[2] == 'N';
    ok();
  } else if ((cmd.substr(0, 2) == "LL" || cmd.substr(0, 2) == "LU") && cmd.size() > 2) {
    if (!AllDigits(cmd.substr(2), 8)) {
      emit("ERR");
      return;
    }
    const long units = DigitsValue(cmd.substr(2));
    if (units < kLowestUnits || units > kHighestUnits) {
      emit("NG");
      return;
    }
    (cmd[1] == 'L' ? state_.lower_limit : state_.upper_limit) = units;
    ok();
  } else if (cmd.substr(0, 2) == "MA" || cmd.substr(0, 2) == "PM") {
    if (!AllDigits(cmd.substr(2), 3)) {
      emit("ERR");
      return;
    }
    const int channel = static_cast<int>(DigitsValue(cmd.substr(2)));
    if (channel < 1 || channel > kChannels) {
      emit("NG");
      return;
    }
    if (cmd[0] == 'P') {
      emit(channelRecord(channel));
      return;
    }
    state_.channel = channel;
    emit("OK");
    setMode(Mode::Manual, now, emit);
  } else if (cmd.substr(0, 3) == "KEY") {
    if (!keyCommand(cmd.substr(3), now, emit)) emit("ERR");
  } else if (!cmd.empty()) {
    emit("ERR");
  }
}

}  // namespace scandeck::sim
