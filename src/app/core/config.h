#pragma once
// scandeck.ini: the reader applies each value to its owner as it reads it, and an
// owner may refuse a value; the writer always produces the whole 14-line layout.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "common/core/failure.h"

namespace scandeck {

inline constexpr const char* kConfigFileName = "scandeck.ini";

using LogFlags = std::array<std::optional<int>, 9>;

struct ScanDeckConfig {
  std::string UserName;
  std::string CommPort;  // as written: a decimal number, or empty
  std::string CommSettings;
  std::string LogFileNameVal;
  LogFlags LogFlagsVal{};  // LogEnableVal, DateVal, TimeVal, FrequencyVal, FreqTypeVal, FreqNameVal, IDVal, IDTypeVal, IDNameVal
  float WindowWidth = 0;
  float WindowHeight = 0;
};

// Owners of the values; each setter returns false when it refuses the value.
class ConfigTarget {
 public:
  virtual ~ConfigTarget() = default;
  virtual void setUserName(const std::string& name) = 0;
  virtual bool setCommPort(long long number) = 0;
  virtual bool setCommSettings(const std::string& settings) = 0;
  virtual void setLogFileName(const std::string& name) = 0;
  virtual void setLogFlags(const std::array<int, 9>& flags) = 0;
  virtual bool setWindowWidth(float twips) = 0;
  virtual bool setWindowHeight(float twips) = 0;
};

// Applies every recognised line of `text` in file order; unknown lines are ignored.
void ReadConfigText(std::string_view text, ConfigTarget& target);
// Reads the file; a missing or unreadable file applies nothing and says nothing.
void ReadConfigFile(const std::string& path, ConfigTarget& target);

// The exact 14 lines, CRLF-ended.
std::string ConfigText(const ScanDeckConfig& config);
// Writes through a temporary file renamed over the old one, so a failed write
// never leaves a truncated configuration behind.
Failure WriteConfigFile(const std::string& path, const ScanDeckConfig& config);
// The same for any settings file of the working folder: temporary file, flushed to
// disk, renamed over the old one.
Failure WriteTextFileSafely(const std::string& path, const std::string& text);

// Shortest decimal form of a single-precision number, never with an exponent:
// 9600 is written 9600, 100000 is written 100000.
std::string ShortestDecimal(float value);

}  // namespace scandeck
