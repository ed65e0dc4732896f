#include "audio/qt/recording.h"

#include <QFileInfo>

#include "audio/core/recording_store.h"
#include "common/qt/qt_text.h"

namespace scandeck {

Recording::Recording(std::string settings_path, std::string working_folder, QObject* parent)
    : QObject(parent), path_(std::move(settings_path)), folder_(std::move(working_folder)) {}

Recording::~Recording() = default;

void Recording::load() {
  settings_ = ReadRecordingFile(path_);
  start();
}

QString Recording::apply(const RecordingSettings& settings) {
  const Failure failure = WriteRecordingFile(path_, settings);
  if (failure) return ToQt(failure.description);
  if (settings.folder != settings_.folder) counted_ = false;
  settings_ = settings;
  start();
  return {};
}

void Recording::start() {
  capture_.reset();
  notice_.clear();
  if (settings_.record || tap_) {
    capture_ = MakeCaptureSession(settings_, folder_, &unavailable_);
    if (capture_) {
      if (tap_) capture_->setTap(tap_);
      capture_->onReported([this] {
        const QStringList notices = capture_->takeNotices();
        if (!notices.isEmpty()) notice_ = notices.back();
        // Before the first count the rows are in calls.csv already.
        for (const KeptCall& call : capture_->takeKept())
          if (counted_) counts_.add(call);
        emit statusChanged();
      });
    }
  }
  emit statusChanged();
}

void Recording::setTap(CaptureTap tap) {
  const bool running = settings_.record || tap_;
  tap_ = std::move(tap);
  if (capture_ && (settings_.record || tap_)) capture_->setTap(tap_);
  else if (running != (settings_.record || tap_)) start();
}

std::optional<std::uint64_t> Recording::position(std::chrono::milliseconds ago) const {
  if (!capture_) return std::nullopt;
  return capture_->position(ago);
}

QStringList Recording::inputNames() {
  const bool told = !unavailable_.isEmpty();
  std::optional<QStringList> names = CaptureInputNames(&unavailable_);
  if (!names && !told) emit statusChanged();
  return names.value_or(QStringList());
}

void Recording::callStarted(const CallInfo& call, bool marked, std::chrono::milliseconds ago) {
  if (capture_) capture_->callStarted(call, marked, ago);
}

void Recording::callEnded(std::chrono::milliseconds ago) {
  if (capture_) capture_->callEnded(ago);
}

bool Recording::recordNow() {
  if (!capture_) return false;
  capture_->recordNow();
  return true;
}

CallTally Recording::recordings(const CallKey& key) {
  if (!counted_) {
    counts_.load(recordingsFolder());
    counted_ = true;
  }
  return counts_.of(key);
}

QString Recording::play(const std::string& path) {
  if (!QFileInfo::exists(QString::fromStdString(path)))
    return "The file is no longer there (the oldest recordings make room for new ones): " + QString::fromStdString(path);
  if (!player_) {
    QString why;
    player_ = MakeCallPlayer(&why);
    if (!player_) return "Nothing can be played: " + why;
    player_->onChanged([this] {
      const QString error = player_->error();
      const bool news = error != play_error_;
      play_error_ = error;
      emit playingChanged(news ? error : QString());
    });
  }
  play_error_.clear();
  player_->play(QString::fromStdString(path));
  return {};
}

void Recording::stopPlaying() {
  if (player_) player_->stop();
}

std::string Recording::recordingsFolder() const { return StoreOptionsFrom(settings_, folder_, 0).folder; }

QString Recording::statusLine() const {
  if (!unavailable_.isEmpty()) return "recording is not available: " + unavailable_;
  if (!capture_ || !settings_.record) return "Recording is off";
  const CaptureReport& r = capture_->report();
  QStringList parts;
  if (!r.problem.isEmpty()) parts << r.problem;
  else if (r.recording) parts << "Recording now";
  else if (r.input.isEmpty()) parts << "Opening the input";
  else parts << "Waiting for a call";
  if (!r.lastFile.isEmpty()) parts << "last file " + QFileInfo(r.lastFile).fileName();
  if (r.freeBytes) parts << QString("%1 MB free").arg(*r.freeBytes / kMegabyte);
  if (r.silent.value_or(false)) parts << "the input is silent: check the cable and the input device";
  else if (!notice_.isEmpty() && notice_ != r.problem) parts << notice_;
  return parts.join("; ");
}

}  // namespace scandeck
