#pragma once
// The page and its API on the UI thread's event loop: Qt's HTTP server behind a
// listening socket of our own that bounds connections and the bytes read from each
// before Qt's parser buffers them; the WebSocket clients fed the status once per
// tick at most. Made only while remote.ini switches the page on.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "remote/core/remote_api.h"
#include "remote/core/remote_guard.h"
#include "remote/core/remote_settings.h"

class QWebSocket;
class QTcpSocket;
class QHttpServerRequest;

namespace scandeck {

class RemoteHttp;
class ConnectionGate;

class RemoteServer final : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaxConnections = 64;
  static constexpr qint64 kMaxRequestBytes = 64 * 1024;    // read per plain HTTP connection
  static constexpr qint64 kMaxQueuedBytes = 64 * 1024;     // unsent to one WebSocket client: seconds behind
  static constexpr qint64 kStallMs = 15 * 1000;             // unsent and nothing taken: dropped
  static constexpr int kMaxVerifying = 2;                   // password checks at once

  struct Hooks {
    std::vector<std::string> captions;            // the control panel's keys
    std::function<void(const RemoteKey&)> press;  // on the UI thread, as the window's key
    std::function<std::string()> heard;           // HeardJson of the list now
  };
  RemoteServer(RemoteSettings settings, Hooks hooks, QObject* parent = nullptr);
  ~RemoteServer() override;

  const RemoteSettings& settings() const { return settings_; }
  bool listening() const;
  QString statusLine() const { return state_; }
  // After each poll tick: one message to the clients when the status changed.
  void update(const std::string& status_json);
  void call(const RemoteRow& row, bool started);
  int webSocketClients() const { return static_cast<int>(clients_.size()); }

 private:
  friend class RemoteHttp;
  bool handle(const QHttpServerRequest& request, QTcpSocket* socket);
  void login(const QHttpServerRequest& request, QTcpSocket* socket);
  void acceptWebSockets();
  void broadcast(const QByteArray& message);
  bool loggedIn(const QByteArray& cookie_header) const;

  RemoteSettings settings_;
  Hooks hooks_;
  bool control_;
  std::vector<std::string> host_names_;
  std::unique_ptr<RemoteHttp> http_;
  QPointer<ConnectionGate> gate_;
  std::vector<QWebSocket*> clients_;
  std::map<QWebSocket*, QElapsedTimer> progress_;  // since each last took something
  LoginThrottle throttle_;
  Sessions sessions_;
  int verifying_ = 0;
  std::string last_status_;
  QString state_;
};

// The addresses a phone on the same network can open: the machine's own IPv4
// addresses off the loopback, first the private ones.
QStringList LanAddresses();

}  // namespace scandeck
