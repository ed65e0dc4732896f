#include "integrations/core/rig_protocol.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <vector>

#include "common/core/text.h"

namespace scandeck {

namespace {
enum class Get { Freq, Mode, Vfo, ChkVfo, DumpState, PowerStat, Quit, Set, Unknown };

struct Command {
  std::string_view short_name;  // one character, or empty
  std::string_view long_name;
  Get kind;
};

constexpr std::array<Command, 24> kCommands = {{
    {"f", "get_freq", Get::Freq},
    {"m", "get_mode", Get::Mode},
    {"v", "get_vfo", Get::Vfo},
    {"", "chk_vfo", Get::ChkVfo},
    {"", "dump_state", Get::DumpState},
    {"", "get_powerstat", Get::PowerStat},
    {"q", "quit", Get::Quit},
    {"Q", "quit", Get::Quit},
    {"F", "set_freq", Get::Set},
    {"M", "set_mode", Get::Set},
    {"V", "set_vfo", Get::Set},
    {"T", "set_ptt", Get::Set},
    {"L", "set_level", Get::Set},
    {"U", "set_func", Get::Set},
    {"P", "set_parm", Get::Set},
    {"I", "set_split_freq", Get::Set},
    {"X", "set_split_mode", Get::Set},
    {"S", "set_split_vfo", Get::Set},
    {"J", "set_rit", Get::Set},
    {"Z", "set_xit", Get::Set},
    {"G", "vfo_op", Get::Set},
    {"H", "set_channel", Get::Set},
    {"E", "set_mem", Get::Set},
    {"", "set_powerstat", Get::Set},
}};

// Receive range, modes, steps and filters of a handheld scanner's bands, in the
// layout the network client reads on connecting: protocol version 0, the network
// model, ITU region, then zero-terminated lists and the capability masks.
constexpr const char* kDumpState =
    "0\n"
    "2\n"
    "2\n"
    "29000000.000000 54000000.000000 0x21 -1 -1 0x1 0x0\n"
    "108000000.000000 174000000.000000 0x21 -1 -1 0x1 0x0\n"
    "406000000.000000 512000000.000000 0x21 -1 -1 0x1 0x0\n"
    "806000000.000000 956000000.000000 0x21 -1 -1 0x1 0x0\n"
    "0 0 0 0 0 0 0\n"
    "0 0 0 0 0 0 0\n"
    "0x21 5000\n"
    "0x21 12500\n"
    "0 0\n"
    "0x20 15000\n"
    "0x1 8000\n"
    "0 0\n"
    "0\n0\n0\n0\n"
    "\n\n"
    "0x0\n0x0\n0x0\n0x0\n0x0\n0x0\n";

std::vector<std::string> Values(Get kind, const RigState& state) {
  switch (kind) {
    case Get::Freq: return {std::to_string(state.frequency_hz)};
    case Get::Mode: return {state.mode, std::to_string(state.passband_hz)};
    case Get::Vfo: return {"VFOA"};
    case Get::ChkVfo: return {"0"};
    case Get::PowerStat: return {"1"};
    default: return {};
  }
}

std::string_view ValueName(Get kind, std::size_t i) {
  switch (kind) {
    case Get::Freq: return "Frequency";
    case Get::Mode: return i == 0 ? "Mode" : "Passband";
    case Get::Vfo: return "VFO";
    case Get::PowerStat: return "Power Status";
    default: return "Value";
  }
}

const Command* Find(std::string_view word) {
  for (const Command& c : kCommands) {
    if (word.size() > 1 && word[0] == '\\' && word.substr(1) == c.long_name) return &c;
    if (!c.short_name.empty() && word == c.short_name) return &c;
  }
  return nullptr;
}
}  // namespace

RigState RigStateOf(const ScannerStatus& status) {
  RigState state;
  const double mhz = NumericValue(TrimBlanks(status.FrequencyText));
  state.frequency_hz = std::isfinite(mhz) && mhz > 0 && mhz < 1e5 ? std::llround(mhz * 1e6) : 0;
  if (state.frequency_hz >= 108000000 && state.frequency_hz < 137000000) {
    state.mode = "AM";
    state.passband_hz = 8000;
  }
  return state;
}

RigReply RigAnswer(std::string_view line, const RigState& state) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  // A leading punctuation character asks for the extended answer with that separator.
  char separator = 0;
  if (!line.empty() && std::ispunct(static_cast<unsigned char>(line[0])) && line[0] != '\\' && line[0] != '?' &&
      line[0] != '_' && line[0] != '#') {
    separator = line[0] == '+' ? '\n' : line[0];
    line.remove_prefix(1);
  }
  const auto args = TrimBlanks(line);
  const auto space = args.find(' ');
  const auto word = args.substr(0, space);
  if (word.empty()) return {};  // a blank line asks nothing
  const Command* command = Find(word);
  const Get kind = command ? command->kind : Get::Unknown;

  RigReply reply;
  if (kind == Get::Quit) reply.close = true;
  const int code = kind == Get::Unknown ? kRigInvalid : kind == Get::Set ? kRigUnavailable : 0;
  if (separator == 0) {
    if (kind == Get::Quit) return reply;
    if (kind == Get::DumpState) {
      reply.text = kDumpState;
      return reply;
    }
    if (code != 0) {
      reply.text = "RPRT " + std::to_string(code) + "\n";
      return reply;
    }
    for (const auto& value : Values(kind, state)) reply.text += value + "\n";
    return reply;
  }
  const std::string sep(1, separator);
  reply.text = std::string(command ? command->long_name : word) + ":";
  if (space != std::string_view::npos) reply.text += " " + std::string(TrimBlanks(args.substr(space)));
  reply.text += sep;
  if (code == 0) {
    const auto values = Values(kind, state);
    for (std::size_t i = 0; i < values.size(); ++i)
      reply.text += std::string(ValueName(kind, i)) + ": " + values[i] + sep;
  }
  reply.text += "RPRT " + std::to_string(code) + "\n";
  return reply;
}

RigAdmission RigAdmit(const std::vector<std::int64_t>& heard_ms, std::int64_t now_ms) {
  if (heard_ms.size() < kRigMaxClients) return {};
  const auto quietest = std::min_element(heard_ms.begin(), heard_ms.end());
  const std::int64_t silent = now_ms - *quietest;
  if (silent >= kRigSilentMs)
    return {RigAdmission::Kind::Evict, static_cast<std::size_t>(quietest - heard_ms.begin()), 0};
  return {RigAdmission::Kind::Wait, 0, kRigSilentMs - silent};
}

bool RigLineBuffer::append(std::string_view bytes) {
  for (char c : bytes) {
    open_line_ = c == '\n' ? 0 : open_line_ + 1;
    if (open_line_ > kRigMaxLine) return false;
  }
  pending_.append(bytes);
  return true;
}

std::optional<std::string> RigLineBuffer::nextLine() {
  const auto end = pending_.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = pending_.substr(0, end);
  pending_.erase(0, end + 1);
  return line;
}

}  // namespace scandeck
