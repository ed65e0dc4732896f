#pragma once
// The few operating-system calls the core needs beyond standard C++, in one place so
// that the rest of the core builds unchanged on Linux and on Windows. Errors are
// errno values, which FailureFromErrno turns into our numbering.
#include <cstddef>
#include <ctime>
#include <string>

namespace scandeck::platform {

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// A C runtime file descriptor on both systems.
using FileHandle = int;
inline constexpr FileHandle kNoFile = -1;

// Every open is binary (Windows' text mode would rewrite the records' bytes) and is
// not inherited by child processes. Each returns kNoFile and sets `error` on failure.
FileHandle OpenForUpdate(const std::string& path, int& error);  // read-write, created when missing
FileHandle OpenForReading(const std::string& path, int& error);
FileHandle CreateEmpty(const std::string& path, int& error);  // write-only, truncated or created
// As CreateEmpty, readable and writable by its owner only (a file that may hold a password).
FileHandle CreatePrivate(const std::string& path, int& error);
int CloseFile(FileHandle file);                                // 0 or errno

// Moves bytes at `offset` without using a file position; retries interrupted calls.
// Returns how many moved (0 at the end of the file for a read), or -1 and `error`.
long long ReadAt(FileHandle file, char* data, std::size_t size, long long offset, int& error);
long long WriteAt(FileHandle file, const char* data, std::size_t size, long long offset, int& error);

int FlushToDisk(FileHandle file);  // 0 or errno

// Puts file `from` in the place of `to` in one step, replacing it: anyone opening `to`
// finds either the old file whole or the new one. 0 or errno.
int RenameOver(const std::string& from, const std::string& to);

// The calendar time `t` in the local time zone; false when it cannot be had.
bool LocalTime(std::time_t t, std::tm& out);

bool IsDiskFull(int error_number);

// Opens (creating) `path` and takes an exclusive lock on it without waiting; the lock
// lasts until the handle is closed or the process ends. `busy` is set when another
// holder has it (then kNoFile is returned and `error` is 0).
FileHandle LockExclusive(const std::string& path, bool& busy, int& error);

}  // namespace scandeck::platform
