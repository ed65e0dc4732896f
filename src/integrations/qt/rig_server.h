#pragma once
// The rig-control port: a TCP server answering the rigctld protocol from the last
// status the poll decoded. Everything runs on the event loop without waiting, and
// each client is held to a bounded line, a bounded backlog of answers and a
// bounded number of companions, so no client can stall the poll or fill memory.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

#include "integrations/core/rig_protocol.h"

class QTcpSocket;

namespace scandeck {

inline constexpr qint64 kRigMaxUnsent = 64 * 1024;  // answers a client has not read

class RigListener;

class RigServer final : public QObject {
  Q_OBJECT
 public:
  explicit RigServer(QObject* parent = nullptr);
  ~RigServer() override;

  // Empty when listening, else why not.
  QString listen(const QString& address, quint16 port);
  void close();
  bool listening() const;
  quint16 port() const;
  int clients() const { return static_cast<int>(clients_.size()); }
  // Connections accepted and waiting for a place.
  int waiting() const;
  void setState(const RigState& state) { state_ = state; }

 private:
  struct Client {
    QTcpSocket* socket;
    RigLineBuffer lines;
    qint64 heard_ms;
  };
  Client* find(QTcpSocket* socket);
  void admit();
  void read(QTcpSocket* socket);
  void drop(QTcpSocket* socket);

  RigListener* server_;
  std::vector<Client> clients_;
  RigState state_;
  QElapsedTimer since_start_;
  QTimer admit_timer_;
};

}  // namespace scandeck
