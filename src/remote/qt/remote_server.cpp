#include "remote/qt/remote_server.h"

#include <QAbstractHttpServer>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkInterface>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>
#include <QTcpSocket>
#include <QThreadPool>
#include <QWebSocket>
#include <chrono>

// The page's files are linked from a static library: nothing else refers to them.
static void LoadPageResources() { Q_INIT_RESOURCE(remote); }

namespace scandeck {

using Status = QHttpServerResponder::StatusCode;

namespace {
constexpr int kMaxHeaders = 64;
constexpr const char* kUpgraded = "scandeck_websocket";

SteadyMs Now() {
  return std::chrono::duration_cast<SteadyMs>(std::chrono::steady_clock::now().time_since_epoch());
}

struct Reply {
  Status status = Status::Ok;
  QByteArray type = "text/plain; charset=utf-8";
  QByteArray body;
  QList<QPair<QByteArray, QByteArray>> headers;
};

Reply Text(Status status, const QByteArray& text) { return {status, "text/plain; charset=utf-8", text + "\n", {}}; }
Reply Json(const std::string& json) { return {Status::Ok, "application/json", QByteArray::fromStdString(json), {}}; }

QList<QPair<QByteArray, QByteArray>> Headers(const Reply& r) {
  QList<QPair<QByteArray, QByteArray>> h{
      {"Content-Type", r.type},
      {"Content-Length", QByteArray::number(r.body.size())},
      {"Cache-Control", "no-store"},
      {"X-Content-Type-Options", "nosniff"},
      // The page in a frame of another site could be clicked through to press keys.
      {"X-Frame-Options", "DENY"},
      {"Content-Security-Policy", "default-src 'self'; connect-src 'self'; frame-ancestors 'none'; form-action 'self'"},
      {"Referrer-Policy", "no-referrer"}};
  return h + r.headers;
}

void Send(QHttpServerResponder& responder, const Reply& r) {
  responder.writeStatusLine(r.status);
  for (const auto& [key, value] : Headers(r)) responder.writeHeader(key, value);
  responder.writeBody(r.body);
}

// The whole answer as bytes, for one written after its request was handled.
QByteArray Bytes(const Reply& r) {
  const int code = static_cast<int>(r.status);
  QByteArray out = "HTTP/1.1 " + QByteArray::number(code) + (code == 204 ? " No Content" : code == 401 ? " Unauthorized" : "") + "\r\n";
  for (const auto& [key, value] : Headers(r)) out += key + ": " + value + "\r\n";
  return out + "\r\n" + r.body;
}

QByteArray Resource(const QString& name) {
  QFile file(":/remote/" + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

// Counts and bounds connections and reads before Qt's parser sees a byte: a newcomer
// past the bound is closed at once, a connection that sends more than a request may
// hold before its answer is cut off instead of being buffered whole, and one that
// stays silent (never upgraded to a WebSocket) gives its place back.
class ConnectionGate final : public QTcpServer {
 public:
  static constexpr qint64 kIdleMs = 60 * 1000;

  explicit ConnectionGate(QObject* parent) : QTcpServer(parent) {
    idle_.setInterval(kIdleMs / 4);
    connect(&idle_, &QTimer::timeout, this, &ConnectionGate::dropIdle);
    idle_.start();
  }
  int open() {
    std::erase_if(sockets_, [](const Tracked& t) { return t.socket.isNull(); });
    return static_cast<int>(sockets_.size());
  }

 protected:
  void incomingConnection(qintptr descriptor) override {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor) || open() >= RemoteServer::kMaxConnections) {
      socket->abort();
      socket->deleteLater();
      return;
    }
    // A small send buffer, so a client that stops reading shows in bytesToWrite soon.
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 32 * 1024);
    auto use = std::make_shared<Use>();
    use->since.start();
    sockets_.push_back({socket, use});
    // Connected before the HTTP server's own handler, so it runs first.
    connect(socket, &QTcpSocket::readyRead, socket, [socket, use] {
      use->read += socket->bytesAvailable();
      use->since.restart();
      if (use->read > RemoteServer::kMaxRequestBytes) {
        socket->abort();
        socket->deleteLater();
      }
    });
    // An answer ends a request: the next one on the connection starts from nothing.
    connect(socket, &QTcpSocket::bytesWritten, socket, [use] {
      use->read = 0;
      use->since.restart();
    });
    addPendingConnection(socket);
  }

 private:
  struct Use {
    qint64 read = 0;
    QElapsedTimer since;
  };
  struct Tracked {
    QPointer<QTcpSocket> socket;
    std::shared_ptr<Use> use;
  };

  void dropIdle() {
    for (const Tracked& t : sockets_) {
      // WebSockets stay: they are dropped when they stop reading.
      if (t.socket && !t.socket->property(kUpgraded).toBool() && t.use->since.hasExpired(kIdleMs)) {
        t.socket->abort();
        t.socket->deleteLater();
      }
    }
  }

  std::vector<Tracked> sockets_;
  QTimer idle_;
};

class RemoteHttp final : public QAbstractHttpServer {
 public:
  explicit RemoteHttp(RemoteServer& owner) : owner_(owner) {}
  using QAbstractHttpServer::makeResponder;

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
    return owner_.handle(request, socket);
  }
  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override {
    if (!request.value("Upgrade").isEmpty()) return;  // a refused upgrade, answered already
    QHttpServerResponder responder = makeResponder(request, socket);
    Send(responder, Text(Status::NotFound, "not found"));
  }

 private:
  RemoteServer& owner_;
};

QStringList LanAddresses() {
  QStringList first, rest;
  for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
    if (a.isLoopback() || a.protocol() != QAbstractSocket::IPv4Protocol) continue;
    const quint32 v4 = a.toIPv4Address();
    const bool private_use = (v4 >> 24) == 10 || (v4 >> 20) == 0xAC1 || (v4 >> 16) == 0xC0A8;
    (private_use ? first : rest) << a.toString();
  }
  return first + rest;
}

RemoteServer::RemoteServer(RemoteSettings settings, Hooks hooks, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), hooks_(std::move(hooks)), control_(ControlAllowed(settings_)) {
  LoadPageResources();
  if (ServeStateOf(settings_) == ServeState::NeedsPassword) {
    state_ = QString("Remote: not serving: %1 is on the network, so it needs a password first")
                 .arg(QString::fromStdString(settings_.address));
    return;
  }
  if (ServeStateOf(settings_) != ServeState::Serve) {
    state_ = "Remote: off";
    return;
  }
  std::vector<std::string> more;
  if (settings_.address == "0.0.0.0" || settings_.address == "::") {
    for (const QHostAddress& a : QNetworkInterface::allAddresses()) more.push_back(a.toString().toStdString());
    more.push_back(QHostAddress(QHostAddress::LocalHost).toString().toStdString());
  }
  host_names_ = HostNames(settings_.address, more);

  http_ = std::make_unique<RemoteHttp>(*this);
  gate_ = new ConnectionGate(this);
  const QHostAddress address(settings_.address == "localhost" ? QString("127.0.0.1")
                                                              : QString::fromStdString(settings_.address));
  if (!gate_->listen(address, settings_.port)) {
    state_ = QString("Remote: cannot listen on %1 port %2: %3")
                 .arg(QString::fromStdString(settings_.address))
                 .arg(settings_.port)
                 .arg(gate_->errorString());
    delete gate_;
    http_.reset();
    return;
  }
  http_->bind(gate_);
  connect(http_.get(), &QAbstractHttpServer::newWebSocketConnection, this, &RemoteServer::acceptWebSockets);
  state_ = QString("Remote: listening on %1 port %2%3")
               .arg(QString::fromStdString(settings_.address))
               .arg(settings_.port)
               .arg(control_ ? ", keys allowed" : ", display only");
}

RemoteServer::~RemoteServer() {
  for (QWebSocket* ws : clients_) {
    ws->disconnect(this);
    ws->abort();
    ws->deleteLater();
  }
  clients_.clear();
  progress_.clear();
  http_.reset();
}

bool RemoteServer::listening() const { return gate_ && gate_->isListening(); }

bool RemoteServer::loggedIn(const QByteArray& cookie_header) const {
  if (settings_.passwordHash.empty()) return true;
  const auto token = CookieValue(cookie_header.toStdString(), kSessionCookie);
  return token && sessions_.valid(*token);
}

bool RemoteServer::handle(const QHttpServerRequest& request, QTcpSocket* socket) {
  QHttpServerResponder responder = RemoteHttp::makeResponder(request, socket);
  const QByteArray host = request.value("Host");
  if (request.headers().size() > kMaxHeaders) {
    Send(responder, Text(Status::RequestHeaderFieldsTooLarge, "too many headers"));
    return true;
  }
  // A page of another name that resolves here (DNS rebinding) reads nothing.
  if (!HostAllowed(host.toStdString(), host_names_, settings_.port)) {
    Send(responder, Text(Status::MisdirectedRequest, "unknown host"));
    return true;
  }
  const QString path = request.url().path();
  const auto method = request.method();
  const bool post = method == QHttpServerRequest::Method::Post;
  const bool upgrade = request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
  if ((post || upgrade) && !OriginAllowed(request.value("Origin").toStdString(), host.toStdString())) {
    Send(responder, Text(Status::Forbidden, "another origin"));
    return true;
  }
  if (upgrade) {
    // Refused before the handshake; what is let through, Qt's server upgrades.
    if (path != "/api/events") Send(responder, Text(Status::NotFound, "not found"));
    else if (!loggedIn(request.value("Cookie"))) Send(responder, Text(Status::Unauthorized, "log in first"));
    else if (static_cast<int>(clients_.size()) >= kMaxConnections) Send(responder, Text(Status::ServiceUnavailable, "too many clients"));
    else {
      socket->setProperty(kUpgraded, true);
      return true;  // Qt's server upgrades a request its handler took
    }
    return false;        // answered here: no upgrade
  }
  if (method == QHttpServerRequest::Method::Get) {
    if (path == "/" || path == "/index.html") return Send(responder, {Status::Ok, "text/html; charset=utf-8", Resource("index.html"), {}}), true;
    if (path == "/app.js") return Send(responder, {Status::Ok, "text/javascript; charset=utf-8", Resource("app.js"), {}}), true;
    if (path == "/app.css") return Send(responder, {Status::Ok, "text/css; charset=utf-8", Resource("app.css"), {}}), true;
  }
  if (post && path == "/login") {
    login(request, socket);
    return true;
  }
  const bool api = path.startsWith("/api/");
  if (api && !loggedIn(request.value("Cookie"))) {
    Send(responder, Text(Status::Unauthorized, "log in first"));
    return true;
  }
  if (method == QHttpServerRequest::Method::Get && path == "/api/status") {
    Send(responder, Json(last_status_.empty() ? std::string("{}") : last_status_));
    return true;
  }
  if (method == QHttpServerRequest::Method::Get && path == "/api/heard") {
    Send(responder, Json(hooks_.heard ? hooks_.heard() : HeardJson({})));
    return true;
  }
  if (post && path.startsWith("/api/keys/")) {
    const auto key = KeyFromName(path.mid(10).toStdString(), hooks_.captions);
    if (!key) Send(responder, Text(Status::NotFound, "no such key"));
    else if (!control_) Send(responder, Text(Status::Forbidden, "keys are not allowed from the page"));
    else {
      if (hooks_.press) hooks_.press(*key);
      Send(responder, {Status::NoContent, "text/plain", {}, {}});
    }
    return true;
  }
  Send(responder, Text(Status::NotFound, "not found"));
  return true;
}

void RemoteServer::login(const QHttpServerRequest& request, QTcpSocket* socket) {
  QHttpServerResponder responder = RemoteHttp::makeResponder(request, socket);
  const std::string address = request.remoteAddress().toString().toStdString();
  if (settings_.passwordHash.empty()) {
    Send(responder, {Status::NoContent, "text/plain", {}, {}});
    return;
  }
  const SteadyMs wait = throttle_.waitFor(address, Now());
  if (wait.count() > 0 || verifying_ >= kMaxVerifying) {
    const qint64 seconds = std::max<qint64>(1, (wait.count() + 999) / 1000);
    Send(responder, {Status::TooManyRequests, "text/plain; charset=utf-8", "wait before trying again\n",
                     {{"Retry-After", QByteArray::number(seconds)}}});
    return;
  }
  const std::string password = FormValue(request.body().toStdString(), "password").value_or(std::string());
  ++verifying_;
  QPointer<RemoteServer> self(this);
  QPointer<QTcpSocket> alive(socket);
  const std::string hash = settings_.passwordHash;
  // The hash costs a tenth of a second on purpose: off the UI thread, so the poll
  // keeps its pace; the answer comes back through the event loop and is written to
  // the connection itself, since the request it came with is gone by then.
  QThreadPool::globalInstance()->start([self, alive, hash, password, address] {
    const bool ok = VerifyPassword(hash, password);
    QMetaObject::invokeMethod(QCoreApplication::instance(), [self, alive, ok, address] {
      if (!self) return;
      --self->verifying_;
      if (ok) self->throttle_.succeeded(address);
      else self->throttle_.failed(address, Now());
      if (!alive || alive->state() != QAbstractSocket::ConnectedState) return;
      if (!ok) {
        alive->write(Bytes(Text(Status::Unauthorized, "wrong password")));
        return;
      }
      const QByteArray cookie = QByteArray(kSessionCookie) + "=" + QByteArray::fromStdString(self->sessions_.open()) +
                                "; HttpOnly; SameSite=Strict; Path=/";
      alive->write(Bytes({Status::NoContent, "text/plain", {}, {{"Set-Cookie", cookie}}}));
    }, Qt::QueuedConnection);
  });
}

void RemoteServer::acceptWebSockets() {
  while (http_ && http_->hasPendingWebSocketConnections()) {
    QWebSocket* ws = http_->nextPendingWebSocketConnection().release();
    ws->setParent(this);
    ws->setMaxAllowedIncomingFrameSize(4096);
    ws->setMaxAllowedIncomingMessageSize(4096);
    const QUrl url = ws->requestUrl();
    QByteArray host = ws->request().rawHeader("Host");
    if (host.isEmpty()) host = (url.host() + (url.port() > 0 ? ":" + QString::number(url.port()) : QString())).toUtf8();
    const bool allowed = url.path() == "/api/events" && HostAllowed(host.toStdString(), host_names_, settings_.port) &&
                         OriginAllowed(ws->origin().toStdString(), host.toStdString()) &&
                         loggedIn(ws->request().rawHeader("Cookie")) &&
                         static_cast<int>(clients_.size()) < kMaxConnections;
    if (!allowed) {
      ws->close(QWebSocketProtocol::CloseCodePolicyViolated, "refused");
      ws->deleteLater();
      continue;
    }
    clients_.push_back(ws);
    progress_[ws].start();
    connect(ws, &QWebSocket::bytesWritten, this, [this, ws] { progress_[ws].restart(); });
    connect(ws, &QWebSocket::disconnected, this, [this, ws] {
      std::erase(clients_, ws);
      progress_.erase(ws);
      ws->deleteLater();
    });
    ws->sendTextMessage(QString::fromStdString(HelloJson(control_, KeyNames(hooks_.captions))));
    if (!last_status_.empty()) ws->sendTextMessage(QString::fromStdString(StatusEventJson(last_status_)));
  }
}

void RemoteServer::broadcast(const QByteArray& message) {
  const QString text = QString::fromUtf8(message);
  std::vector<QWebSocket*> stalled;
  for (QWebSocket* ws : clients_) {
    // A client that stops reading would hold every message sent to it: past the
    // bound, or with nothing taken for a while, it is dropped.
    const qint64 waiting = ws->bytesToWrite();
    QElapsedTimer& progress = progress_[ws];
    if (waiting == 0) progress.restart();
    if (waiting > kMaxQueuedBytes || progress.hasExpired(kStallMs)) {
      stalled.push_back(ws);
      continue;
    }
    ws->sendTextMessage(text);
  }
  for (QWebSocket* ws : stalled) {
    std::erase(clients_, ws);
    progress_.erase(ws);
    ws->disconnect(this);
    ws->abort();
    ws->deleteLater();
  }
}

void RemoteServer::update(const std::string& status_json) {
  if (status_json == last_status_) return;
  last_status_ = status_json;
  if (!clients_.empty()) broadcast(QByteArray::fromStdString(StatusEventJson(status_json)));
}

void RemoteServer::call(const RemoteRow& row, bool started) {
  if (!clients_.empty()) broadcast(QByteArray::fromStdString(CallEventJson(row, started)));
}

}  // namespace scandeck
