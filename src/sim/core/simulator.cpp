#include "sim/core/simulator.h"

#include <algorithm>
#include <limits>

namespace scandeck::sim {

namespace {
constexpr std::int64_t kNeverUs = std::numeric_limits<std::int64_t>::max() / 4;
constexpr std::size_t kLongestCommand = 64;
// The scanner's processor takes a moment before it starts to answer.
constexpr std::int64_t kReactionUs = 2000;
// How far behind either end of the line may fall before its buffer is full: the
// scanner then ignores commands it could not answer for seconds, and the port
// drops what the program writes, instead of owing replies for ever.
constexpr std::int64_t kBacklogUs = 2000000;

int BitsPerCharacter(const SerialSettings& s) {
  const int stop = s.stop_bits == SerialSettings::StopBits::One ? 1 : 2;
  const int parity = s.parity == SerialSettings::Parity::None ? 0 : 1;
  return 1 + s.data_bits + parity + stop;
}

// What a character looks like after crossing a line whose two ends disagree about
// speed or framing: never a carriage return, so nothing ever makes sense.
char Garble(char c) { return static_cast<char>((static_cast<unsigned char>(c) >> 1) | 0x80); }

// A different stream from the same seed, so that switching a line fault on or off
// does not change what the scanner hears.
std::uint64_t LineSeed(std::uint64_t seed) { return seed ^ 0xA5A5F00DC0FFEE11ull; }
}  // namespace

Simulator::Simulator(const Clock& clock, SimulatorOptions options)
    : clock_(clock),
      options_(std::move(options)),
      scanner_(options_.seed, options_.activity_per_minute, options_.memories),
      line_rng_(LineSeed(options_.seed)) {
  scanner_.powerOn(clock_.now());
}

std::int64_t Simulator::nowUs() const { return static_cast<std::int64_t>(clock_.now().count()) * 1000; }

std::int64_t Simulator::charUs() const {
  if (!options_.pacing) return 0;
  // Rounded up: the line is never faster than its speed.
  const std::int64_t bits = BitsPerCharacter(options_.line);
  return (bits * 1000000 + options_.line.baud - 1) / options_.line.baud;
}

bool Simulator::garbled() const {
  const SerialSettings& a = port_settings_;
  const SerialSettings& b = options_.line;
  return a.baud != b.baud || a.data_bits != b.data_bits || a.parity != b.parity;
}

bool Simulator::disconnected() const {
  const auto& after = options_.faults.disconnect_after;
  return after && first_open_us_ && nowUs() >= *first_open_us_ + after->count() * 1000;
}

void Simulator::attach(const SerialSettings& settings) {
  advance();
  attached_ = true;
  port_settings_ = settings;
  inbound_.clear();
  outbound_.clear();
  command_.clear();
  inbound_free_us_ = outbound_free_us_ = nowUs();
  if (!first_open_us_) first_open_us_ = nowUs();
}

void Simulator::detach() {
  // What the program wrote before closing is already on the wire, and a real port's
  // close waits for it to go out: the scanner still hears it, at its pace.
  advanceTo(inbound_.empty() ? nowUs() : std::max(nowUs(), inbound_.back().at_us));
  attached_ = false;
  inbound_.clear();
  outbound_.clear();
  command_.clear();
}

void Simulator::receive(std::string_view bytes) {
  advance();
  if (!attached_ || disconnected()) return;
  const std::int64_t now = nowUs();
  for (char c : bytes) {
    if (inbound_free_us_ - now > kBacklogUs) break;
    inbound_free_us_ = std::max(now, inbound_free_us_) + charUs();
    inbound_.push_back({inbound_free_us_, garbled() ? Garble(c) : c});
  }
}

void Simulator::send(std::string_view line, std::int64_t at_us) {
  if (observer_) observer_(Direction::FromScanner, line);
  if (!attached_) return;

  std::string bytes(line);
  const LinkFaults& faults = options_.faults;
  if (line_rng_.chance(faults.noise_rate)) {
    char noise;
    do noise = static_cast<char>(line_rng_.between(1, 255));
    while (noise == '\r');
    bytes.insert(static_cast<std::size_t>(line_rng_.between(0, static_cast<long long>(bytes.size()))), 1, noise);
  }
  bytes += '\r';
  if (line_rng_.chance(faults.line_feed_rate)) bytes += '\n';
  std::size_t split_at = 0;
  std::int64_t stall_us = 0;
  if (bytes.size() > 1 && line_rng_.chance(faults.split_rate)) {
    split_at = static_cast<std::size_t>(line_rng_.between(1, static_cast<long long>(bytes.size()) - 1));
    stall_us = line_rng_.between(20, 150) * 1000;
  }

  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == split_at && stall_us > 0) outbound_free_us_ = std::max(at_us, outbound_free_us_) + stall_us;
    outbound_free_us_ = std::max(at_us, outbound_free_us_) + charUs();
    outbound_.push_back({outbound_free_us_, garbled() ? Garble(bytes[i]) : bytes[i]});
  }
}

void Simulator::handleLine(std::int64_t at_us) {
  const std::string line = command_;
  command_.clear();
  if (observer_) observer_(Direction::ToScanner, line);
  if (outbound_free_us_ - at_us > kBacklogUs) return;
  const std::int64_t reply_us = at_us + (options_.pacing ? kReactionUs : 0);
  scanner_.command(line, Millis{at_us / 1000}, [&](std::string_view reply) { send(reply, reply_us); });
}

void Simulator::advance() { advanceTo(nowUs()); }

void Simulator::advanceTo(std::int64_t now) {
  for (;;) {
    const std::int64_t next_in = inbound_.empty() ? kNeverUs : inbound_.front().at_us;
    const Millis air = scanner_.nextEvent();
    const std::int64_t next_air = air.count() >= kNeverUs / 1000 ? kNeverUs : air.count() * 1000;
    if (std::min(next_in, next_air) > now) break;
    if (next_air <= next_in) {
      scanner_.run(air, [&](std::string_view line) { send(line, next_air); });
      continue;
    }
    const char c = inbound_.front().byte;
    inbound_.pop_front();
    if (c == '\r') {
      handleLine(next_in);
    } else if (c != '\n' && command_.size() < kLongestCommand) {
      command_ += c;
    }
  }
}

std::size_t Simulator::available() {
  advance();
  const std::int64_t now = nowUs();
  std::int64_t cut = now;
  if (options_.faults.disconnect_after && first_open_us_)
    cut = std::min(cut, *first_open_us_ + options_.faults.disconnect_after->count() * 1000 - 1);
  std::size_t count = 0;
  for (const Timed& t : outbound_) {
    if (t.at_us > cut) break;
    ++count;
  }
  // Whatever was still on the wire when the cable came out never arrives.
  if (disconnected()) {
    outbound_.erase(outbound_.begin() + static_cast<std::ptrdiff_t>(count), outbound_.end());
  }
  return count;
}

std::string Simulator::take() {
  const std::size_t count = available();
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    out += outbound_.front().byte;
    outbound_.pop_front();
  }
  return out;
}

std::chrono::microseconds Simulator::outputBacklog() const {
  return std::chrono::microseconds{std::max<std::int64_t>(0, outbound_free_us_ - nowUs())};
}

std::chrono::milliseconds Simulator::nextChange() const {
  std::int64_t next = kNeverUs;
  if (!inbound_.empty()) next = std::min(next, inbound_.front().at_us);
  if (!outbound_.empty()) next = std::min(next, outbound_.front().at_us);
  const Millis air = scanner_.nextEvent();
  if (air.count() < kNeverUs / 1000) next = std::min(next, air.count() * 1000);
  if (next >= kNeverUs) return std::chrono::milliseconds::max();
  return std::chrono::milliseconds{(next + 999) / 1000};
}

}  // namespace scandeck::sim
