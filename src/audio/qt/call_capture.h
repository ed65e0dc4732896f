#pragma once
// The sound input recorded call by call on a thread of its own: the audio source,
// the recorder and the store live there, so a slow disk or encoder and a vanished
// input cost recordings, never the poll. The UI thread stamps each call with the
// number of samples captured when the poll reported it and posts it over; the
// capture thread posts back its level and notices a few times a second.
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

#include "audio/core/call_recorder.h"
#include "audio/core/recording_settings.h"

namespace scandeck {

// What the capture thread last told.
struct CaptureReport {
  Level level;
  QString input;             // the input's description, empty while none is open
  int rate = 0;              // samples per second, 0 while no input is open
  std::uint64_t captured = 0;  // samples read from the input so far
  bool inCall = false;
  bool recording = false;    // a file that will be kept is being written
  QString lastFile;          // full path of the last kept file
  std::optional<std::uint64_t> freeBytes;
  std::optional<bool> silent;  // the silent-input watch's state, once known
  QString problem;           // why nothing is captured (no input, input lost), else empty
};

class CaptureWorker;

// The descriptions of the sound inputs the system offers now.
QStringList AudioInputNames();

class CallCapture final : public QObject {
  Q_OBJECT
 public:
  // Starts the thread and the input at once; `working_folder` is where a relative
  // folder= is taken from.
  CallCapture(const RecordingSettings& settings, std::string working_folder, QObject* parent = nullptr);
  // Ends the open file at the last sample captured and stops the thread.
  ~CallCapture() override;

  // `ago`: how long before now the call began (a squelch opening is named by a
  // later report); `marked`: whether it is marked "Record".
  void callStarted(const CallInfo& call, bool marked, std::chrono::milliseconds ago = {});
  void callEnded(std::chrono::milliseconds ago = {});
  void recordNow();

  const CaptureReport& report() const { return report_; }
  // Notices since the last call, each once (low space, space back, a lost input,
  // the silent input).
  QStringList takeNotices();

 signals:
  void reported();

 private:
  friend class CaptureWorker;
  std::uint64_t positionAgo(std::chrono::milliseconds ago) const;
  void received(const CaptureReport& report, const QStringList& notices);

  QThread thread_;
  CaptureWorker* worker_;
  CaptureReport report_;
  QStringList notices_;
};

}  // namespace scandeck
