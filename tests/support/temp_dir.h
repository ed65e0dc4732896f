#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace scandeck::testing {

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    // A fresh name that nobody else has made (create_directory is false when it exists).
    std::random_device seed;
    std::mt19937_64 names(seed());
    do {
      path = std::filesystem::temp_directory_path() / ("scandeck-" + std::to_string(names()));
    } while (!std::filesystem::create_directory(path));
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string file(const std::string& name) const { return (path / name).string(); }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
  }
};

inline std::string Slurp(const std::string& path) {
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}

inline void Spit(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

}  // namespace scandeck::testing
