#include "integrations/qt/rig_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

namespace scandeck {

namespace {
constexpr qint64 kReadChunk = 4096;
}

RigServer::RigServer(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {
  server_->setMaxPendingConnections(kRigMaxClients);
  connect(server_, &QTcpServer::newConnection, this, &RigServer::accept);
  since_start_.start();
}

RigServer::~RigServer() { close(); }

QString RigServer::listen(const QString& address, quint16 port) {
  close();
  QHostAddress host;
  if (!host.setAddress(address)) return QString("\"%1\" is not an IP address").arg(address);
  if (!server_->listen(host, port)) return server_->errorString();
  return {};
}

void RigServer::close() {
  server_->close();
  for (Client& c : clients_) {
    c.socket->disconnect(this);
    c.socket->abort();
    c.socket->deleteLater();
  }
  clients_.clear();
}

bool RigServer::listening() const { return server_->isListening(); }
quint16 RigServer::port() const { return server_->serverPort(); }

void RigServer::accept() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    if (static_cast<int>(clients_.size()) >= kRigMaxClients) {
      const auto quietest = std::min_element(clients_.begin(), clients_.end(),
                                             [](const Client& a, const Client& b) { return a.heard_ms < b.heard_ms; });
      if (since_start_.elapsed() - quietest->heard_ms < kRigSilentMs) {
        socket->abort();
        socket->deleteLater();
        continue;
      }
      drop(quietest->socket);
    }
    // Qt's own buffer stays small; what a client sends beyond it waits in the kernel.
    socket->setReadBufferSize(kReadChunk * 4);
    clients_.push_back({socket, {}, since_start_.elapsed()});
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { drop(socket); });
  }
}

RigServer::Client* RigServer::find(QTcpSocket* socket) {
  const auto it = std::find_if(clients_.begin(), clients_.end(), [socket](const Client& c) { return c.socket == socket; });
  return it == clients_.end() ? nullptr : &*it;
}

void RigServer::read(QTcpSocket* socket) {
  char chunk[kReadChunk];
  qint64 n = 0;
  while (find(socket) && (n = socket->read(chunk, sizeof chunk)) > 0) {
    Client* client = find(socket);
    client->heard_ms = since_start_.elapsed();
    if (!client->lines.append(std::string_view(chunk, static_cast<std::size_t>(n)))) return drop(socket);
    while (auto line = client->lines.nextLine()) {
      const RigReply reply = RigAnswer(*line, state_);
      socket->write(reply.text.data(), static_cast<qint64>(reply.text.size()));
      if (reply.close) {
        socket->disconnectFromHost();
        return;
      }
      // A client that asks and never reads would make us hold its answers forever.
      if (socket->bytesToWrite() > kRigMaxUnsent) return drop(socket);
      if (!(client = find(socket))) return;  // the write may have found the client gone
    }
  }
}

void RigServer::drop(QTcpSocket* socket) {
  const auto it = std::find_if(clients_.begin(), clients_.end(), [socket](const Client& c) { return c.socket == socket; });
  if (it == clients_.end()) return;
  clients_.erase(it);
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
}

}  // namespace scandeck
