#pragma once
// The simulated speaker: a tone or silence, without a break, piped as raw 16-bit
// mono to PulseAudio's pacat, which plays it on the default output. A small pipe
// keeps what is written close to what is heard (about a tenth of a second ahead).
// Where pacat or the sound server is missing it says so once and plays nothing.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace scandeck::sim {

class ToneOutput {
 public:
  static constexpr int kRate = 16000;

  ~ToneOutput() { stop(); }

  // False, with `why`, when the player cannot be started.
  bool start(std::string& why) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
      why = std::string("no pipe: ") + std::strerror(errno);
      return false;
    }
    ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string rate = "--rate=" + std::to_string(kRate);
    const char* args[] = {"pacat", "--playback", "--raw", "--format=s16le", rate.c_str(), "--channels=1",
                          "--latency-msec=30", "--client-name=scandeck-sim", nullptr};
    const int failed = ::posix_spawnp(&pid_, "pacat", &actions, nullptr, const_cast<char**>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (failed != 0) {
      ::close(fds[1]);
      pid_ = -1;
      why = std::string("cannot start pacat: ") + std::strerror(failed);
      return false;
    }
    fd_ = fds[1];
    thread_ = std::thread([this] { play(); });
    return true;
  }

  void set(double hz) { hz_ = hz; }
  // Set once when the player went away (no sound server): nothing is played after.
  bool lost() const { return lost_; }

  void stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }

 private:
  void play() {
    std::vector<std::int16_t> block(kRate / 100);  // 10 ms
    double phase = 0;
    while (!stopping_) {
      const double hz = hz_;
      for (std::int16_t& s : block) {
        s = hz > 0 ? static_cast<std::int16_t>(10000 * std::sin(phase)) : 0;
        phase = hz > 0 ? std::fmod(phase + 2 * M_PI * hz / kRate, 2 * M_PI) : 0;
      }
      const char* bytes = reinterpret_cast<const char*>(block.data());
      std::size_t left = block.size() * 2;
      while (left > 0 && !stopping_) {
        const ssize_t n = ::write(fd_, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {  // pacat ended: no server, or it was stopped
          lost_ = true;
          return;
        }
        bytes += n;
        left -= static_cast<std::size_t>(n);
      }
    }
  }

  std::atomic<double> hz_{0};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> lost_{false};
  std::thread thread_;
  int fd_ = -1;
  pid_t pid_ = -1;
};

}  // namespace scandeck::sim
