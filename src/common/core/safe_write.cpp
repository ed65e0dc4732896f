#include "common/core/safe_write.h"

#include <cstdio>

#include "common/core/platform.h"

namespace scandeck {

Failure WriteFileSafely(const std::string& path, std::string_view text) {
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
