#pragma once
// A small generator of our own: the standard distributions differ between
// library implementations, and a seed must give the same session everywhere.
#include <cstdint>

namespace scandeck::sim {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  // splitmix64: full period over 2^64, good enough mixing for a simulation.
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform in [0, bound); 0 when bound is 0. Rejection keeps it unbiased.
  std::uint64_t below(std::uint64_t bound) {
    if (bound == 0) return 0;
    const std::uint64_t limit = ~std::uint64_t{0} - (~std::uint64_t{0} % bound);
    std::uint64_t value;
    do value = next();
    while (value >= limit);
    return value % bound;
  }

  // Uniform in [low, high], inclusive; low when high < low.
  long long between(long long low, long long high) {
    if (high <= low) return low;
    return low + static_cast<long long>(below(static_cast<std::uint64_t>(high - low) + 1));
  }

  // True with the given probability, in steps of one in a million.
  bool chance(double probability) {
    if (probability <= 0.0) return false;
    if (probability >= 1.0) return true;
    return below(1000000) < static_cast<std::uint64_t>(probability * 1000000.0);
  }

 private:
  std::uint64_t state_;
};

}  // namespace scandeck::sim
