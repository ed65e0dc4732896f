#pragma once
// Requests to stop that come from outside the windows: SIGTERM, SIGINT and SIGHUP
// (kill, Ctrl-C, a closed terminal) and the desktop session ending. Signals reach
// Qt through a self-pipe read by a QSocketNotifier, so nothing but write() runs in
// the handler.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace scandeck {

class StopRequests final : public QObject {
  Q_OBJECT
 public:
  // `stop` runs once, in the event loop, for the first request.
  explicit StopRequests(std::function<void()> stop, QObject* parent = nullptr);
  ~StopRequests() override;

 private:
  void fire();
  std::function<void()> stop_;
  QSocketNotifier* notifier_ = nullptr;
  bool fired_ = false;
};

}  // namespace scandeck
