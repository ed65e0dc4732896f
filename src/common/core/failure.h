#pragma once
// Failures are reported, not raised: a step records what went wrong and its caller
// shows one message at the end of its run.
#include <string>

namespace scandeck {

// Error numbers, kept in the numbering the scanner community's tools have always shown.
namespace errc {
inline constexpr int kInvalidArgument = 5;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kDiskFull = 61;
inline constexpr int kInputPastEnd = 62;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kInvalidPortNumber = 8002;
inline constexpr int kPortAlreadyOpen = 8005;
inline constexpr int kDeviceUnavailable = 8012;
inline constexpr int kInvalidSettings = 8010;
inline constexpr int kPortNotOpen = 8018;
inline constexpr int kDeviceBusy = 8019;  // another program or service holds the device
inline constexpr int kWriteFailed = 8020;
inline constexpr int kReplyOverflow = 8016;
}  // namespace errc

struct Failure {
  int code = 0;
  std::string description;

  explicit operator bool() const { return code != 0; }
  void clear() {
    code = 0;
    description.clear();
  }
};

// Maps an errno value to our error numbering, keeping the system's description.
Failure FailureFromErrno(int error_number);

// "<label><code>,  please email me  <address>" — the tick and processing reports.
std::string EmailReport(const std::string& label, const Failure& failure);
// "<label><code> <description>,  please mail me   <address>  " — file reports.
std::string MailReport(const std::string& label, const Failure& failure);

}  // namespace scandeck
