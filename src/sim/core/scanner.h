#pragma once
// The simulated BC245XLT itself: its memories, settings and operating mode, the
// answer to each remote command, and what it hears on the air. No timing of the
// serial line here: Simulator puts this behind a wire.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/rng.h"

namespace scandeck::sim {

using Millis = std::chrono::milliseconds;

inline constexpr int kBanks = 10;
inline constexpr int kChannelsPerBank = 30;
inline constexpr int kChannels = kBanks * kChannelsPerBank;
inline constexpr int kIdBanks = 10;
inline constexpr int kIdsPerBank = 10;

// The value is the two mode digits the "MD" reply carries.
enum class Mode : int {
  Scan = 0,
  Manual = 1,
  LimitSearch = 2,
  HoldSearch = 3,
  ServiceSearch = 4,
  ServiceSearchHold = 5,
  IdAcquire = 9,  // trunk key pressed, looking for the control channel
  IdSearch = 15,
  IdSearchHold = 16,
  ScanId = 17,
  HoldId = 18,
};
std::string ModeDigits(Mode mode);
bool IsTrunkMode(Mode mode);

enum class Audio { Neither, Mute, Monitor };

struct MemoryChannel {
  long units = 0;  // frequency in units of 100 Hz; 0 is an empty channel
  bool trunk = false;
  bool delay = false;
  bool lockout = false;
};

struct TrunkSystem {
  bool present = false;
  std::string text = std::string(10, ' ');  // always ten characters
  // ids[g][p], ID bank g 0..9 ("A".."J"), position p 0..9; six characters, empty when unset.
  std::array<std::array<std::string, kIdsPerBank>, kIdBanks> ids{};
  // Where the talkgroups are heard; the first one carries the control channel.
  std::vector<long> frequencies;
};

struct ScannerState {
  std::array<MemoryChannel, kChannels + 1> channels{};  // 1..300; 0 unused
  std::array<TrunkSystem, kBanks + 1> systems{};        // by bank 1..10; 0 unused

  Mode mode = Mode::Scan;
  int channel = 1;               // memory channel the scanner stands on
  long search_units = 1180000;   // search and hold-search frequency
  int trunk_bank = 0;            // bank of the system being tracked, 0 before any
  int id_bank = 1;               // ID channel last shown, 1..10
  int id_position = 1;           // 1..10
  std::string talkgroup;         // active or last heard talkgroup ID

  bool data_skip = false;
  bool attenuator = false;
  bool priority = false;
  bool delay = false;    // search and ID delay; channels carry their own
  bool lockout = false;  // lockout of the held search frequency or talkgroup
  bool light = false;
  bool auto_light = false;
  Audio audio = Audio::Neither;
  long lower_limit = 1180000;
  long upper_limit = 1370000;
  std::array<bool, kBanks + 1> scan_banks{};  // 1..10
  std::array<bool, kBanks + 1> id_banks{};    // 1..10
  bool squelch_reports = false;  // "QUN"/"QUF"
  bool id_reports = false;       // "IDN"/"IDF"
  bool remote = true;            // "PC Con": answers commands
  bool squelch_open = false;
};

// The demo memories: the channels and trunked system of demo_plan.h.
ScannerState DemoMemories();

class Scanner {
 public:
  using Emit = std::function<void(std::string_view line)>;

  // activity_per_minute: how many transmissions it hears a minute on average; 0 is a quiet band.
  Scanner(std::uint64_t seed, double activity_per_minute, ScannerState state = DemoMemories());

  // The radio is switched on at `now`: nothing happened on the air before.
  void powerOn(Millis now);

  ScannerState& state() { return state_; }
  const ScannerState& state() const { return state_; }

  // One command line without its carriage return, handled at `now`; each reply line
  // (without carriage return) goes to `emit`. Silent when out of remote control.
  void command(std::string_view line, Millis now, const Emit& emit);

  // Runs what happens on the air up to `until`, emitting the unsolicited reports.
  void run(Millis until, const Emit& emit);
  // When the next thing happens on the air.
  Millis nextEvent() const;
  // The frequency (units of 100 Hz) of the transmission in progress.
  long heardUnits() const { return heard_units_; }

 private:
  void reply(std::string_view command, Millis now, const Emit& emit);
  void setMode(Mode mode, Millis now, const Emit& emit);
  void endTransmission(Millis now, const Emit& emit);
  void startTransmission(Millis now, const Emit& emit);
  void schedule(Millis now);
  long currentUnits(Millis now) const;
  std::vector<int> scanList() const;
  std::vector<std::pair<int, int>> idList() const;
  std::string channelRecord(int channel) const;
  std::string idChannelReply(int bank, int position) const;
  bool keyCommand(std::string_view key, Millis now, const Emit& emit);
  int chooseTrunkBank() const;

  ScannerState state_;
  Rng rng_;
  double activity_per_minute_;
  Millis call_start_{0};   // next transmission, while the squelch is closed
  Millis call_end_{0};     // end of the one in progress
  Millis acquired_at_{0};  // end of IdAcquire
  Millis resume_at_{0};    // end of a channel's delay after its transmission
  Millis mode_since_{0};
  int tuning_ = 110;       // centre tuning of the signal being received
  long heard_units_ = 0;   // frequency of the transmission in progress
  bool in_delay_ = false;
};

}  // namespace scandeck::sim
