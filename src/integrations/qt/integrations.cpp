#include "integrations/qt/integrations.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <utility>

#include "common/core/csv.h"
#include "common/core/safe_write.h"
#include "common/qt/qt_text.h"
#include "integrations/core/now_playing.h"
#include "stream/qt/stream_library.h"

namespace scandeck {

namespace {
constexpr int kDueCheckMs = 200;
constexpr int kRequestTimeoutMs = 5000;
constexpr int kStreamStatusMs = 250;
}  // namespace

Integrations::Integrations(std::string settings_path, const Clock& clock, QObject* parent)
    : QObject(parent), path_(std::move(settings_path)), titles_(clock), rig_(this) {
  due_timer_.setInterval(kDueCheckMs);
  connect(&due_timer_, &QTimer::timeout, this, &Integrations::sendDue);
  stream_timer_.setInterval(kStreamStatusMs);
  connect(&stream_timer_, &QTimer::timeout, this, [this] {
    if (stream_) setPart(stream_state_, ToQt(stream_->status()));
  });
}

void Integrations::load() {
  settings_ = ReadIntegrationFile(path_);
  start();
}

QString Integrations::apply(const IntegrationSettings& settings) {
  settings_ = settings;
  const Failure failure = WriteIntegrationFile(path_, settings_);
  start();
  if (!failure) return {};
  return QString("%1 could not be saved: %2").arg(ToQt(path_), ToQt(failure.description));
}

void Integrations::start() {
  if (QNetworkReply* reply = in_flight_) {
    in_flight_.clear();  // its end is no news about the new settings
    reply->abort();
  }
  titles_.reset();
  titles_.setDelay(std::chrono::seconds(settings_.icecastDelaySeconds));
  if (settings_.icecast && !adminTitles()) {
    due_timer_.stop();
    icecast_state_ = "Icecast: the titles go with the stream on the same mount";
  } else if (settings_.icecast) {
    due_timer_.start();
    icecast_state_ = "Icecast: waiting for a change";
  } else {
    due_timer_.stop();
    icecast_state_.clear();
  }
  overlay_state_ = settings_.overlay ? QString("Overlay file: waiting for a change") : QString();
  rig_.close();
  rig_state_.clear();
  if (settings_.rig) {
    const QString error = rig_.listen(ToQt(settings_.rigAddress), settings_.rigPort);
    rig_state_ = error.isEmpty()
                     ? QString("Rig port: listening on %1:%2").arg(ToQt(settings_.rigAddress)).arg(rig_.port())
                     : QString("Rig port: cannot listen on %1:%2 (%3)")
                           .arg(ToQt(settings_.rigAddress)).arg(settings_.rigPort).arg(error);
  }
  startStream();
  // Everything switched on hears the current text again.
  have_text_ = false;
  emit statusChanged();
}

// One title path per mount: where ScanDeck is the source, the titles go in the
// stream and the admin interface is not asked for the same mount.
bool Integrations::adminTitles() const {
  const StreamOptions& o = settings_.stream;
  return !(o.enabled && o.host == settings_.icecastHost && o.port == settings_.icecastPort &&
           o.mount == settings_.icecastMount);
}

void Integrations::startStream() {
  // A change elsewhere in the window leaves a running stream alone: listeners
  // would hear a gap and directories see the source go.
  if (stream_ && settings_.stream == stream_options_) return;
  stream_options_ = settings_.stream;
  const bool had = stream_ != nullptr;
  stream_.reset();
  stream_state_.clear();
  stream_timer_.stop();
  if (settings_.stream.enabled) {
    QString why;
    stream_ = MakeStreamSender(settings_.stream, &why);
    if (stream_) {
      stream_state_ = ToQt(stream_->status());
      stream_timer_.start();
    } else {
      stream_state_ = "Stream: not available: " + why;
    }
  }
  if (had || stream_) emit streamChanged();
}

void Integrations::titleStream(const ScannerStatus& status) {
  if (!stream_) return;
  // Placed once the capture runs: until then there is no audio to place it in.
  const std::optional<std::uint64_t> at = position_ ? position_() : std::nullopt;
  if (!at) return;
  stream_->title(*at, text_, HeardNow(status).has_value());
  stream_due_ = false;
}

void Integrations::update(const ScannerStatus& status) {
  rig_.setState(RigStateOf(status));
  std::string text = NowPlayingText(status, settings_.text);
  if (!have_text_ || text != text_) {
    text_ = std::move(text);
    have_text_ = true;
    stream_due_ = true;
    if (settings_.overlay) writeOverlay();
    if (settings_.icecast && adminTitles()) {
      titles_.offer(text_);
      sendDue();
    }
  }
  if (stream_due_) titleStream(status);
}

void Integrations::writeOverlay() {
  if (settings_.overlayFile.empty()) return setPart(overlay_state_, "Overlay file: no file named");
  // UTF-8 without a byte-order mark: what streaming programs read such files as.
  const Failure failure = WriteFileAtomically(settings_.overlayFile, Latin1ToUtf8(text_) + "\n");
  setPart(overlay_state_, failure ? QString("Overlay file: cannot write %1 (%2)")
                                        .arg(ToQt(settings_.overlayFile), ToQt(failure.description))
                                  : QString("Overlay file: written"));
}

void Integrations::sendDue() {
  if (!settings_.icecast || !adminTitles()) return;
  const auto song = titles_.next();
  if (!song) return;
  const IcecastRequest request = MetadataRequest(
      {settings_.icecastMount, settings_.icecastUser, settings_.icecastPassword}, *song);
  const QString host = ToQt(settings_.icecastHost);
  // The target is already encoded; QUrl must keep "%26" and "%23" as they are.
  const QUrl url = QUrl::fromEncoded(
      QString("http://%1:%2").arg(host.contains(':') ? "[" + host + "]" : host).arg(settings_.icecastPort).toUtf8() +
          QByteArray::fromStdString(request.target),
      QUrl::StrictMode);
  QNetworkRequest http(url);
  http.setRawHeader("Authorization", QByteArray::fromStdString(request.authorization));
  http.setHeader(QNetworkRequest::UserAgentHeader, "ScanDeck");
  http.setTransferTimeout(kRequestTimeoutMs);
  if (!network_) network_ = new QNetworkAccessManager(this);
  in_flight_ = network_->get(http);
  QNetworkReply* reply = in_flight_;
  connect(reply, &QNetworkReply::finished, this, [this, reply] { titleSent(reply); });
}

void Integrations::titleSent(QNetworkReply* reply) {
  reply->deleteLater();
  if (reply != in_flight_) return;  // a request of settings since replaced
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const bool ok = reply->error() == QNetworkReply::NoError && status == 200;
  const QString why = reply->error() != QNetworkReply::NoError ? reply->errorString()
                                                                : QString("the server answered %1").arg(status);
  const bool changed = titles_.finished(ok);
  in_flight_.clear();
  if (ok)
    setPart(icecast_state_, "Icecast: title updated");
  else if (changed)
    setPart(icecast_state_, QString("Icecast: %1; trying again, at most once a minute").arg(why));
}

void Integrations::setPart(QString& part, const QString& text) {
  if (part == text) return;
  part = text;
  emit statusChanged();
}

QString Integrations::statusLine() const {
  QStringList parts;
  for (const QString* part : {&icecast_state_, &overlay_state_, &rig_state_, &stream_state_})
    if (!part->isEmpty()) parts << *part;
  return parts.isEmpty() ? QString("Nothing is switched on") : parts.join(" | ");
}

}  // namespace scandeck
