#include "common/core/platform.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <limits>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ may have defined it already
#define NOMINMAX
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace scandeck::platform {

namespace {
FileHandle Opened(FileHandle file, int& error) {
  error = file < 0 ? errno : 0;
  return file < 0 ? kNoFile : file;
}
}  // namespace

#ifdef _WIN32

namespace {
int ErrnoOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_HANDLE: return EBADF;
    default: return EIO;
  }
}

// One call moves at most a DWORD's worth; callers loop until done.
DWORD Chunk(std::size_t size) {
  return static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
}

OVERLAPPED At(long long offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<unsigned long long>(offset) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
  return at;
}

// Windows refuses to open a folder as "access denied"; say what is really in the way.
FileHandle OpenedPath(FileHandle file, const std::string& path, int& error) {
  Opened(file, error);
  if (error == EACCES) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) error = EISDIR;
  }
  return file < 0 ? kNoFile : file;
}

HANDLE OsHandle(FileHandle file) { return reinterpret_cast<HANDLE>(_get_osfhandle(file)); }
}  // namespace

FileHandle OpenForUpdate(const std::string& path, int& error) {
  return OpenedPath(_open(path.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE),
                    path, error);
}

FileHandle OpenForReading(const std::string& path, int& error) {
  return OpenedPath(_open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT), path, error);
}

FileHandle CreateEmpty(const std::string& path, int& error) {
  return OpenedPath(_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE),
                    path, error);
}

// Windows keeps a user's files to that user through the profile's permissions.
FileHandle CreatePrivate(const std::string& path, int& error) { return CreateEmpty(path, error); }

int CloseFile(FileHandle file) { return _close(file) == 0 ? 0 : errno; }

FileHandle LockExclusive(const std::string& path, bool& busy, int& error) {
  busy = false;
  const FileHandle file = OpenForUpdate(path, error);
  if (file == kNoFile) return kNoFile;
  OVERLAPPED whole{};
  if (!LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(file)), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                  1, 0, &whole)) {
    busy = true;
    error = 0;
    _close(file);
    return kNoFile;
  }
  return file;
}

long long ReadAt(FileHandle file, char* data, std::size_t size, long long offset, int& error) {
  const HANDLE handle = OsHandle(file);
  if (handle == INVALID_HANDLE_VALUE) return error = EBADF, -1;
  OVERLAPPED at = At(offset);
  DWORD moved = 0;
  if (ReadFile(handle, data, Chunk(size), &moved, &at)) return moved;
  const DWORD code = GetLastError();
  if (code == ERROR_HANDLE_EOF) return 0;
  error = ErrnoOf(code);
  return -1;
}

long long WriteAt(FileHandle file, const char* data, std::size_t size, long long offset, int& error) {
  const HANDLE handle = OsHandle(file);
  if (handle == INVALID_HANDLE_VALUE) return error = EBADF, -1;
  OVERLAPPED at = At(offset);
  DWORD moved = 0;
  if (WriteFile(handle, data, Chunk(size), &moved, &at)) return moved;
  error = ErrnoOf(GetLastError());
  return -1;
}

int FlushToDisk(FileHandle file) { return _commit(file) == 0 ? 0 : errno; }

int RenameOver(const std::string& from, const std::string& to) {
  // rename() on Windows refuses an existing target; this replaces it.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return ErrnoOf(GetLastError());
}

bool LocalTime(std::time_t t, std::tm& out) { return localtime_s(&out, &t) == 0; }

bool IsDiskFull(int error_number) { return error_number == ENOSPC; }

#else

FileHandle OpenForUpdate(const std::string& path, int& error) {
  return Opened(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666), error);
}

FileHandle OpenForReading(const std::string& path, int& error) {
  return Opened(::open(path.c_str(), O_RDONLY | O_CLOEXEC), error);
}

FileHandle CreateEmpty(const std::string& path, int& error) {
  return Opened(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), error);
}

FileHandle CreatePrivate(const std::string& path, int& error) {
  const FileHandle file = Opened(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600), error);
  // A file left behind by an earlier run keeps its mode through O_CREAT.
  if (file != kNoFile && ::fchmod(file, 0600) != 0) {
    error = errno;
    ::close(file);
    return kNoFile;
  }
  return file;
}

int CloseFile(FileHandle file) { return ::close(file) == 0 ? 0 : errno; }

FileHandle LockExclusive(const std::string& path, bool& busy, int& error) {
  busy = false;
  const FileHandle file = OpenForUpdate(path, error);
  if (file == kNoFile) return kNoFile;
  // flock, not fcntl: a second open in the same process is refused too, and the
  // lock goes with the descriptor, not with any close of the file elsewhere.
  if (::flock(file, LOCK_EX | LOCK_NB) != 0) {
    busy = errno == EWOULDBLOCK;
    error = busy ? 0 : errno;
    ::close(file);
    return kNoFile;
  }
  return file;
}

long long ReadAt(FileHandle file, char* data, std::size_t size, long long offset, int& error) {
  for (;;) {
    const ssize_t n = ::pread(file, data, size, static_cast<off_t>(offset));
    if (n >= 0) return n;
    if (errno != EINTR) return error = errno, -1;
  }
}

long long WriteAt(FileHandle file, const char* data, std::size_t size, long long offset, int& error) {
  for (;;) {
    const ssize_t n = ::pwrite(file, data, size, static_cast<off_t>(offset));
    if (n >= 0) return n;
    if (errno != EINTR) return error = errno, -1;
  }
}

int FlushToDisk(FileHandle file) { return ::fsync(file) == 0 ? 0 : errno; }

int RenameOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool LocalTime(std::time_t t, std::tm& out) { return localtime_r(&t, &out) != nullptr; }

bool IsDiskFull(int error_number) { return error_number == ENOSPC || error_number == EDQUOT; }

#endif

}  // namespace scandeck::platform
