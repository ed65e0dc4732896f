#pragma once
// What the fuzz targets share: a check that stops the run on a broken invariant
// (libFuzzer then saves the input), and a scratch folder for file targets.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      __builtin_trap();                                                              \
    }                                                                                \
  } while (0)

namespace scandeck::fuzz {

// One folder per process, removed at exit; the file targets rewrite their file
// in it for every input.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    // Memory-backed where there is one: the loaders write a file for every input.
    std::error_code ec;
    const auto base = std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                                    : std::filesystem::temp_directory_path();
    auto path = base / ("scandeck-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    std::atexit([] { std::error_code ec; std::filesystem::remove_all(ScratchFolder(), ec); });
    return path;
  }();
  return folder;
}

inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace scandeck::fuzz
