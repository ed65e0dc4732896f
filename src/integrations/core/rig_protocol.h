#pragma once
// The rig-control daemon's plain-text protocol (Hamlib's rigctld, which panadapters,
// loggers and "rigctl -m 2" speak), answered from what the scanner reports. The
// scanner cannot be tuned through ScanDeck: every set command is refused.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "status/core/scanner_status.h"

namespace scandeck {

// The protocol's error codes.
inline constexpr int kRigInvalid = -1;      // malformed command or argument
inline constexpr int kRigUnavailable = -11;  // feature not available

inline constexpr std::size_t kRigMaxLine = 1024;
inline constexpr std::uint16_t kRigDefaultPort = 4532;

struct RigState {
  long long frequency_hz = 0;
  std::string mode = "FM";  // the protocol's mode token
  long passband_hz = 15000;
};

// The scanner picks AM on the air band and FM elsewhere by itself.
RigState RigStateOf(const ScannerStatus& status);

struct RigReply {
  std::string text;   // every line '\n'-terminated, or one line with its separator
  bool close = false;  // "q": the client is done
};

// One command line (without its '\n'; a '\r' before it is ignored).
RigReply RigAnswer(std::string_view line, const RigState& state);

inline constexpr std::size_t kRigMaxClients = 16;
// With every place taken, a newcomer waits (it is not refused) until a client has
// been silent this long, and then takes its place: connections left open by a
// vanished program, or by a script that never says "q", free their place.
inline constexpr std::int64_t kRigSilentMs = 5000;

struct RigAdmission {
  enum class Kind { Admit, Evict, Wait } kind = Kind::Admit;
  std::size_t evict = 0;     // Evict: the client silent the longest
  std::int64_t wait_ms = 0;  // Wait: until that client has been silent long enough
};

// What a newcomer gets, given when each present client was last heard.
RigAdmission RigAdmit(const std::vector<std::int64_t>& heard_ms, std::int64_t now_ms);

// Splits a client's bytes into lines; a line longer than kRigMaxLine ends the
// client, so no client can make the program hold more than that.
class RigLineBuffer {
 public:
  // Appends bytes; false when a line grows past the bound (nothing of it is kept).
  bool append(std::string_view bytes);
  std::optional<std::string> nextLine();

 private:
  std::string pending_;
  std::size_t open_line_ = 0;  // bytes of the line not yet ended
};

}  // namespace scandeck
