#pragma once
// The 300 conventional channels and their names, kept in bank.dat.
#include <array>
#include <string>

namespace scandeck {

inline constexpr int kFreqChannels = 300;
inline constexpr int kChannelsPerBank = 30;

struct FreqChannel {
  int channel = 0;                   // as stored in the record; 0 for an empty record
  std::string frequency = "000.0000";  // "000.0000" with the locale's decimal separator
  std::string type;                  // 0..3 characters
  std::string name;                  // 0..40 characters
  std::string delay;                 // "=" or empty
  std::string lockout;               // "=" or empty
  std::string mode = "Normal";       // "Normal", "Trunk", or empty after a delete
  int mapNumber = 0;
  int x = 0;
  int y = 0;
};

// Index 0 is the empty record; channels 1..300.
class FreqDirectory {
 public:
  FreqChannel& operator[](int n) { return channels_.at(static_cast<std::size_t>(n)); }
  const FreqChannel& operator[](int n) const { return channels_.at(static_cast<std::size_t>(n)); }

 private:
  std::array<FreqChannel, kFreqChannels + 1> channels_{};
};

}  // namespace scandeck
