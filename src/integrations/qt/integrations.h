#pragma once
// What other programs are told about the scanner: the Icecast stream title, the
// overlay text file and the rig-control port; and the stream ScanDeck sends itself. Fed the status after every poll tick;
// each part does its work without waiting, and a failure is put in the status line
// once, when it starts, not on every try.
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/core/clock.h"
#include "integrations/core/icecast.h"
#include "integrations/core/integration_settings.h"
#include "integrations/qt/rig_server.h"
#include "status/core/scanner_status.h"
#include "stream/core/stream_sender.h"

class QNetworkReply;

namespace scandeck {

class Integrations final : public QObject {
  Q_OBJECT
 public:
  Integrations(std::string settings_path, const Clock& clock, QObject* parent = nullptr);

  // Reads integrations.ini and starts what it switches on.
  void load();
  const IntegrationSettings& settings() const { return settings_; }
  // The window's new settings: written to the file, then every part restarted.
  // Returns why the file could not be written, or empty.
  QString apply(const IntegrationSettings& settings);
  // After each poll tick.
  void update(const ScannerStatus& status);

  const std::string& nowPlaying() const { return text_; }
  // One line: what each switched-on part is doing, or its failure.
  QString statusLine() const;
  RigServer& rig() { return rig_; }

  // The stream's sender while stream=1 (and its library opened), else null; fed the
  // capture's audio by whoever owns the capture, told anew by streamChanged().
  std::shared_ptr<StreamSender> stream() const { return stream_; }
  // Where the capture is now (its count of samples), for the titles' places.
  void setCapturePosition(std::function<std::optional<std::uint64_t>()> position) { position_ = std::move(position); }

 signals:
  void statusChanged();
  void streamChanged();

 private:
  void start();
  void sendDue();
  void titleSent(QNetworkReply* reply);
  void writeOverlay();
  void setPart(QString& part, const QString& text);
  void startStream();
  void titleStream(const ScannerStatus& status);
  bool adminTitles() const;

  std::string path_;
  IntegrationSettings settings_;
  std::string text_;
  bool have_text_ = false;
  bool stream_due_ = false;  // the text is not yet placed in the stream
  TitleSchedule titles_;
  QNetworkAccessManager* network_ = nullptr;  // made with the first title: most runs send none
  QPointer<QNetworkReply> in_flight_;
  QTimer due_timer_;
  RigServer rig_;
  std::shared_ptr<StreamSender> stream_;
  StreamOptions stream_options_;  // what stream_ was made with
  std::function<std::optional<std::uint64_t>()> position_;
  QTimer stream_timer_;
  QString icecast_state_, overlay_state_, rig_state_, stream_state_;
};

}  // namespace scandeck
