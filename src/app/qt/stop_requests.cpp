#include "app/qt/stop_requests.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace scandeck {

#ifdef Q_OS_UNIX
namespace {

int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace
#endif

StopRequests::StopRequests(std::function<void()> stop, QObject* parent) : QObject(parent), stop_(std::move(stop)) {
#ifdef Q_OS_UNIX
  if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) == 0) {
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
      char bytes[16];
      [[maybe_unused]] const auto n = ::read(g_pipe[0], bytes, sizeof bytes);
      fire();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals) sigaction(s, &action, nullptr);
  }
#endif
  // A log-out asks every client to save; it cannot wait for a question.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { fire(); });
}

StopRequests::~StopRequests() {
#ifdef Q_OS_UNIX
  if (notifier_) {
    for (int s : kSignals) std::signal(s, SIG_DFL);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
  }
#endif
}

void StopRequests::fire() {
  if (fired_) return;
  fired_ = true;
  if (stop_) stop_();
}

}  // namespace scandeck
