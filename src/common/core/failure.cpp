#include "common/core/failure.h"

#include <cerrno>
#include <cstring>

#include "common/core/contact.h"
#include "common/core/platform.h"

namespace scandeck {

Failure FailureFromErrno(int error_number) {
  int code = errc::kPathFileAccess;
  switch (error_number) {
    case ENOENT: code = errc::kFileNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS: code = errc::kPermissionDenied; break;
    case ENAMETOOLONG:
    case EISDIR: code = errc::kBadFileName; break;
    default:
      if (platform::IsDiskFull(error_number)) code = errc::kDiskFull;
      break;
  }
  return Failure{code, std::strerror(error_number)};
}

std::string EmailReport(const std::string& label, const Failure& failure) {
  return label + std::to_string(failure.code) + ",  please email me  " + contact::kSupportAddress;
}

std::string MailReport(const std::string& label, const Failure& failure) {
  return label + std::to_string(failure.code) + " " + failure.description + ",  please mail me   " +
         contact::kSupportAddress + "  ";
}

}  // namespace scandeck
