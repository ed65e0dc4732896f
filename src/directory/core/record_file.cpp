#include "directory/core/record_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "common/core/platform.h"

namespace scandeck {

namespace {
Failure NotOpen() { return FailureFromErrno(EBADF); }

bool MayStillRead(int error_number) {
  return error_number == EACCES || error_number == EPERM || error_number == EROFS;
}

Failure BadRecord(long long first) {
  return Failure{kBadRecordNumber, "Bad record number " + std::to_string(first)};
}
}  // namespace

RecordFile::~RecordFile() { Close(); }

RecordFile::RecordFile(RecordFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      writable_(other.writable_),
      length_(other.length_),
      refusal_(std::move(other.refusal_)) {}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    writable_ = other.writable_;
    length_ = other.length_;
    refusal_ = std::move(other.refusal_);
  }
  return *this;
}

void RecordFile::Close() {
  if (fd_ >= 0) platform::CloseFile(fd_);
  fd_ = -1;
  writable_ = false;
}

Failure RecordFile::Open(const std::string& path, std::size_t record_length) {
  Close();
  length_ = record_length;
  refusal_.clear();
  int error_number = 0;
  fd_ = platform::OpenForUpdate(path, error_number);
  if (fd_ >= 0) {
    writable_ = true;
    return {};
  }
  refusal_ = FailureFromErrno(error_number);
  // Read-only is far better than empty: the user keeps seeing the names.
  int ignored = 0;
  if (MayStillRead(error_number)) fd_ = platform::OpenForReading(path, ignored);
  return refusal_;
}

Failure RecordFile::Read(long long first, long long count, std::string& out) const {
  out.assign(count > 0 ? static_cast<std::size_t>(count) * length_ : 0, '\0');
  if (first < 1) return BadRecord(first);
  if (fd_ < 0) return NotOpen();
  const long long offset = (first - 1) * static_cast<long long>(length_);
  std::size_t done = 0;
  while (done < out.size()) {
    int error_number = 0;
    const long long n = platform::ReadAt(fd_, out.data() + done, out.size() - done,
                                         offset + static_cast<long long>(done), error_number);
    if (n < 0) {
      const Failure failure = FailureFromErrno(error_number);
      std::memset(out.data() + done, 0, out.size() - done);
      return failure;
    }
    if (n == 0) break;  // end of file: the rest stays zero
    done += static_cast<std::size_t>(n);
  }
  return {};
}

Failure RecordFile::Write(long long first, std::string_view records) {
  if (first < 1) return BadRecord(first);
  if (fd_ < 0) return refusal_ ? refusal_ : NotOpen();
  if (!writable_) return refusal_;
  const long long offset = (first - 1) * static_cast<long long>(length_);
  std::size_t done = 0;
  while (done < records.size()) {
    int error_number = 0;
    const long long n = platform::WriteAt(fd_, records.data() + done, records.size() - done,
                                          offset + static_cast<long long>(done), error_number);
    if (n < 0) return FailureFromErrno(error_number);
    if (n == 0) return Failure{errc::kDiskFull, "Short write"};
    done += static_cast<std::size_t>(n);
  }
  return {};
}

void AppendField(std::string& record, std::string_view text, std::size_t width) {
  const std::string_view kept = text.substr(0, width);
  record.append(kept);
  record.append(width - kept.size(), ' ');
}

}  // namespace scandeck
