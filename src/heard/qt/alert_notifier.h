#pragma once
// How an alert reaches the user: a desktop notification over D-Bus and a beep.
#include <QString>

namespace scandeck {

class AlertNotifier {
 public:
  virtual ~AlertNotifier() = default;
  virtual void notify(const QString& summary, const QString& body) = 0;
};

// org.freedesktop.Notifications on the session bus, called without waiting for the
// answer, so a slow or missing notification server never holds up the poll.
class DesktopNotifier final : public AlertNotifier {
 public:
  void notify(const QString& summary, const QString& body) override;
};

}  // namespace scandeck
