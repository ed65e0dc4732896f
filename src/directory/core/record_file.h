#pragma once
// Fixed-length record access to one file, kept open for the whole run: bank.dat and
// idbank.dat are read once at start-up and then written a bank at a time in place.
#include <cstddef>
#include <string>
#include <string_view>

#include "common/core/failure.h"

namespace scandeck {

// A record number below 1 (our own numbering, not an errno).
inline constexpr int kBadRecordNumber = 63;

class RecordFile {
 public:
  RecordFile() = default;
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;
  RecordFile(RecordFile&& other) noexcept;
  RecordFile& operator=(RecordFile&& other) noexcept;

  // Opens `path` for reading and writing, creating an empty file when there is none.
  // A file we may read but not write (read-only file or folder) is still opened, read
  // only, so its records load; the refusal is returned all the same and every later
  // Write returns it too. Any open file is closed first.
  Failure Open(const std::string& path, std::size_t record_length);
  void Close();

  bool isOpen() const { return fd_ >= 0; }
  bool isWritable() const { return fd_ >= 0 && writable_; }
  std::size_t recordLength() const { return length_; }

  // `count` records from record `first` (counted from 1) into `out`, which always ends up
  // count × record length bytes long: whatever lies past the end of the file, or could
  // not be read, is zero bytes.
  Failure Read(long long first, long long count, std::string& out) const;
  // Whole records from record `first`, in one pass. Writing past the end extends the
  // file and leaves zero bytes in the gap. A write that stops short is a failure.
  Failure Write(long long first, std::string_view records);

 private:
  int fd_ = -1;
  bool writable_ = false;
  std::size_t length_ = 0;
  Failure refusal_;  // why Write cannot succeed, when it cannot
};

// Appends `text` left-aligned in a field of `width` bytes: blank-padded, or cut.
void AppendField(std::string& record, std::string_view text, std::size_t width);

}  // namespace scandeck
