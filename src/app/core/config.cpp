#include "app/core/config.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/core/contact.h"
#include "common/core/platform.h"
#include "common/core/text.h"

namespace scandeck {

namespace {
bool StartsWith(std::string_view line, std::string_view key) { return line.substr(0, key.size()) == key; }

void ApplyLine(std::string_view line, ConfigTarget& target) {
  static constexpr std::string_view kUser = "[UserName]=", kPort = "[comm port]=", kSpeed = "[comm speed]=",
                                    kLogFile = "[Logging File]=", kLogWhat = "[Log What]=",
                                    kWidth = "[WindowWidth]=", kHeight = "[WindowHeight]=";
  if (StartsWith(line, kUser)) {
    target.setUserName(TrimBlanksCopy(line.substr(kUser.size())));
  } else if (StartsWith(line, kPort)) {
    const double value = NumericValue(line.substr(kPort.size()));
    if (std::fabs(value) < 1e15) target.setCommPort(std::llround(value));
  } else if (StartsWith(line, kSpeed)) {
    target.setCommSettings(TrimBlanksCopy(line.substr(kSpeed.size())));
  } else if (StartsWith(line, kLogFile)) {
    target.setLogFileName(TrimBlanksCopy(line.substr(kLogFile.size())));
  } else if (StartsWith(line, kLogWhat)) {
    const auto value = TrimBlanks(line.substr(kLogWhat.size()));
    std::array<int, 9> flags{};
    for (std::size_t i = 0; i < flags.size() && i < value.size(); ++i)
      flags[i] = static_cast<int>(NumericValue(value.substr(i, 1)));
    target.setLogFlags(flags);
  } else if (StartsWith(line, kWidth)) {
    target.setWindowWidth(static_cast<float>(NumericValue(line.substr(kWidth.size()))));
  } else if (StartsWith(line, kHeight)) {
    target.setWindowHeight(static_cast<float>(NumericValue(line.substr(kHeight.size()))));
  }
}
}  // namespace

void ReadConfigText(std::string_view text, ConfigTarget& target) {
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    auto line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ApplyLine(line, target);
    start = end + 1;
  }
}

void ReadConfigFile(const std::string& path, ConfigTarget& target) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ReadConfigText(text, target);
}

std::string ShortestDecimal(float value) {
  char buffer[128];  // room for the longest float in fixed notation
  // Fixed notation: the reader takes "1e+05" as 1. Shortest digits that still read
  // back as the same single-precision value.
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

std::string ConfigText(const ScanDeckConfig& c) {
  std::string flags;
  for (const auto& flag : c.LogFlagsVal)
    if (flag) flags += std::to_string(*flag);
  const std::string lines[] = {
      "[! ScanDeck Ini file ]",
      "[! Interface created to remote control your Bc245xlt    ]",
      "[! Don't modify this file or do it at your own risk :)  ]",
      std::string("[! ") + contact::kAuthorCredit + " (c) " + contact::kCopyrightYear + " - " +
          contact::kWebAddress + " ]",
      std::string("[! MailingList :") + contact::kMailingListAddress + " ]",
      std::string("[! Icq ActiveList No : ") + contact::kMessengerNumber + " ]",
      "",
      "[UserName]=" + c.UserName,
      "[comm port]=" + c.CommPort,
      "[comm speed]=" + c.CommSettings,
      "[Logging File]=" + c.LogFileNameVal,
      "[Log What]=" + flags,
      "[WindowWidth]=" + ShortestDecimal(c.WindowWidth),
      "[WindowHeight]=" + ShortestDecimal(c.WindowHeight),
  };
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

Failure WriteConfigFile(const std::string& path, const ScanDeckConfig& config) {
  return WriteTextFileSafely(path, ConfigText(config));
}

Failure WriteTextFileSafely(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp";
  int error = 0;
  const platform::FileHandle file = platform::CreateEmpty(temp, error);
  if (file == platform::kNoFile) return FailureFromErrno(error);
  std::size_t done = 0;
  while (done < text.size()) {
    const long long n = platform::WriteAt(file, text.data() + done, text.size() - done,
                                          static_cast<long long>(done), error);
    if (n <= 0) {
      const Failure failure = n < 0 ? FailureFromErrno(error) : Failure{errc::kDiskFull, "Short write"};
      platform::CloseFile(file);
      std::remove(temp.c_str());
      return failure;
    }
    done += static_cast<std::size_t>(n);
  }
  error = platform::FlushToDisk(file);
  const int closed = platform::CloseFile(file);
  if (error == 0) error = closed;
  if (error == 0) error = platform::RenameOver(temp, path);
  if (error != 0) {
    std::remove(temp.c_str());
    return FailureFromErrno(error);
  }
  return {};
}

}  // namespace scandeck
