#include "integrations/qt/rig_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <deque>
#include <functional>

namespace scandeck {

namespace {
constexpr qint64 kReadChunk = 4096;
// Connections taken from the system while every place is held: accepting pauses
// at this many (the burst under way may still bring in the rest of the listen
// backlog), and the system keeps any later newcomer waiting.
constexpr std::size_t kRigMaxWaiting = kRigMaxClients;

// Closes a connection that was never given a socket of its own.
void CloseDescriptor(qintptr descriptor) {
  QTcpSocket socket;
  if (socket.setSocketDescriptor(descriptor)) socket.abort();
}
}  // namespace

// Keeps each accepted connection as a bare descriptor until it has a place: nothing
// is read from it meanwhile, so what its client sends, and the end of its stream,
// wait in the system and are all answered once it is let in.
class RigListener final : public QTcpServer {
 public:
  using QTcpServer::QTcpServer;
  std::deque<qintptr> waiting;
  std::function<void()> arrived;

  void clearWaiting() {
    for (qintptr descriptor : waiting) CloseDescriptor(descriptor);
    waiting.clear();
  }

 protected:
  void incomingConnection(qintptr descriptor) override {
    waiting.push_back(descriptor);
    if (waiting.size() >= kRigMaxWaiting) pauseAccepting();
    arrived();
  }
};

RigServer::RigServer(QObject* parent) : QObject(parent), server_(new RigListener(this)) {
  server_->arrived = [this] { admit(); };
  admit_timer_.setSingleShot(true);
  connect(&admit_timer_, &QTimer::timeout, this, &RigServer::admit);
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
  admit_timer_.stop();
  server_->close();
  server_->clearWaiting();  // a new listen starts accepting afresh
  for (Client& c : clients_) {
    c.socket->disconnect(this);
    c.socket->abort();
    c.socket->deleteLater();
  }
  clients_.clear();
}

bool RigServer::listening() const { return server_->isListening(); }
quint16 RigServer::port() const { return server_->serverPort(); }
int RigServer::waiting() const { return static_cast<int>(server_->waiting.size()); }

void RigServer::admit() {
  while (!server_->waiting.empty()) {
    std::vector<std::int64_t> heard;
    for (const Client& c : clients_) heard.push_back(c.heard_ms);
    const RigAdmission admission = RigAdmit(heard, since_start_.elapsed());
    if (admission.kind == RigAdmission::Kind::Wait) {
      if (!admit_timer_.isActive()) admit_timer_.start(static_cast<int>(admission.wait_ms));
      return;
    }
    if (admission.kind == RigAdmission::Kind::Evict) drop(clients_[admission.evict].socket);
    const qintptr descriptor = server_->waiting.front();
    server_->waiting.pop_front();
    if (server_->isListening()) server_->resumeAccepting();
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
      CloseDescriptor(descriptor);
      delete socket;
      continue;
    }
    // Qt's own buffer stays small; what a client sends beyond it waits in the system.
    socket->setReadBufferSize(kReadChunk * 4);
    clients_.push_back({socket, {}, since_start_.elapsed()});
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { drop(socket); });
    // What arrived while it waited is not announced again.
    if (socket->bytesAvailable() > 0) read(socket);
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
      if (socket->bytesToWrite() > kRigMaxUnsent) socket->flush();
      if (!(client = find(socket))) return;  // the write may have found the client gone
      if (socket->bytesToWrite() > kRigMaxUnsent) return drop(socket);
    }
    // Handed to the system now: Qt closes the whole connection as soon as it reads
    // the end of the client's stream, and a script that sends its commands and then
    // ends its side would lose answers still waiting in Qt's buffer.
    socket->flush();
  }
}

void RigServer::drop(QTcpSocket* socket) {
  const auto it = std::find_if(clients_.begin(), clients_.end(), [socket](const Client& c) { return c.socket == socket; });
  if (it == clients_.end()) return;
  clients_.erase(it);
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
  // A place is free: a waiting newcomer takes it once this call has unwound.
  if (!server_->waiting.empty()) admit_timer_.start(0);
}

}  // namespace scandeck
