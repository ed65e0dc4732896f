#pragma once
// The sound input recorded call by call on a thread of its own: the audio source,
// the recorder and the store live there, so a slow disk or encoder and a vanished
// input cost recordings, never the poll. The UI thread stamps each call with the
// number of samples captured when the poll reported it and posts it over; the
// capture thread posts back its level and notices a few times a second.
// Built into the scandeck-capture library, not the program (capture_session.h).
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/core/call_recorder.h"
#include "audio/core/recording_settings.h"
#include "audio/qt/capture_session.h"

namespace scandeck {

class CaptureWorker;

// The descriptions of the sound inputs the system offers now.
QStringList AudioInputNames();

class CallCapture final : public QObject, public CaptureSession {
  Q_OBJECT
 public:
  // Starts the thread and the input at once; `working_folder` is where a relative
  // folder= is taken from.
  CallCapture(const RecordingSettings& settings, std::string working_folder, QObject* parent = nullptr);
  // Ends the open file at the last sample captured and stops the thread.
  ~CallCapture() override;

  void callStarted(const CallInfo& call, bool marked, std::chrono::milliseconds ago = {}) override;
  void callEnded(std::chrono::milliseconds ago = {}) override;
  void recordNow() override;
  void setTap(CaptureTap tap) override;
  std::uint64_t position(std::chrono::milliseconds ago = {}) const override;

  const CaptureReport& report() const override { return report_; }
  QStringList takeNotices() override;
  std::vector<KeptCall> takeKept() override;

 signals:
  void reported();

 private:
  friend class CaptureWorker;
  void received(const CaptureReport& report, const QStringList& notices, const std::vector<KeptCall>& kept);

  QThread thread_;
  CaptureWorker* worker_;
  CaptureReport report_;
  QStringList notices_;
  std::vector<KeptCall> kept_;
};

}  // namespace scandeck
