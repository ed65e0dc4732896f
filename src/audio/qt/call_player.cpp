// "Play last call": a recording through the default sound output with Qt
// Multimedia's player, built into the scandeck-capture library beside the capture,
// so the program itself never maps the sound system for it.
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QObject>
#include <QUrl>

#include "audio/qt/capture_session.h"

namespace scandeck {

namespace {

class MediaCallPlayer final : public QObject, public CallPlayer {
 public:
  MediaCallPlayer() {
    player_.setAudioOutput(&output_);
    QObject::connect(&player_, &QMediaPlayer::playbackStateChanged, this, [this] { notifyChanged(); });
    QObject::connect(&player_, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& text) {
      error_ = text.isEmpty() ? QString("the file cannot be played") : text;
      notifyChanged();
    });
  }
  ~MediaCallPlayer() override {
    // Stopping from the destructor must not call back into an owner going away.
    onChanged({});
    player_.stop();
  }

  void play(const QString& path) override {
    error_.clear();
    player_.stop();
    player_.setSource(QUrl::fromLocalFile(path));
    player_.play();
  }
  void stop() override { player_.stop(); }
  bool playing() const override { return player_.playbackState() == QMediaPlayer::PlayingState; }
  QString error() const override { return error_; }

 private:
  QMediaPlayer player_;
  QAudioOutput output_;
  QString error_;
};

}  // namespace

}  // namespace scandeck

extern "C" Q_DECL_EXPORT scandeck::CallPlayer* scandeck_capture_player() { return new scandeck::MediaCallPlayer(); }
