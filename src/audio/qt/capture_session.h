#pragma once
// The capture as the program sees it. With record=0 (the stream alone) nothing is
// recorded: the blocks only reach the tap. The capture itself (call_capture.cpp) is built
// into the scandeck-capture library, opened the first time recording is switched on
// or the inputs are listed: Qt Multimedia and the sound system's libraries stay
// unmapped while record=0. Only this header's types cross into the library.
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/core/call_counts.h"
#include "audio/core/call_recorder.h"
#include "audio/core/recording_settings.h"

namespace scandeck {

// Raised whenever CaptureReport or CaptureSession change shape: a library left from
// another build is refused, never called.
inline constexpr int kCaptureInterface = 3;

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

// Each block as it is captured, on the capture thread: the samples, the count of
// samples captured before them (the timeline `position` stamps on) and the rate.
// Another consumer of the same input (the stream) without a second capture.
using CaptureTap = std::function<void(const std::int16_t* samples, std::size_t count, std::uint64_t first, int rate)>;

class CaptureSession {
 public:
  virtual ~CaptureSession() = default;

  // `ago`: how long before now the call began (a squelch opening is named by a
  // later report); `marked`: whether it is marked "Record".
  virtual void callStarted(const CallInfo& call, bool marked, std::chrono::milliseconds ago = {}) = 0;
  virtual void callEnded(std::chrono::milliseconds ago = {}) = 0;
  virtual void recordNow() = 0;
  // Replaces the tap (null: none); it runs on the capture thread from the next block.
  virtual void setTap(CaptureTap tap) = 0;
  // The capture's count of samples `ago` before now, as calls are stamped.
  virtual std::uint64_t position(std::chrono::milliseconds ago = {}) const = 0;

  virtual const CaptureReport& report() const = 0;
  // Notices since the last call, each once (low space, space back, a lost input,
  // the silent input).
  virtual QStringList takeNotices() = 0;
  // The files kept since the last call, oldest first.
  virtual std::vector<KeptCall> takeKept() = 0;

  // Called on the UI thread after each new report. A callback rather than a signal:
  // a Q_OBJECT here would put a second copy of its meta-object into the library.
  void onReported(std::function<void()> handler) { reported_ = std::move(handler); }

 protected:
  void notifyReported() const {
    if (reported_) reported_();
  }

 private:
  std::function<void()> reported_;
};

// One recording played through the default sound output (Qt Multimedia, in the
// library like the capture).
class CallPlayer {
 public:
  virtual ~CallPlayer() = default;
  virtual void play(const QString& path) = 0;
  virtual void stop() = 0;
  virtual bool playing() const = 0;
  // Why the last file could not be played, else empty.
  virtual QString error() const = 0;
  // Called on the UI thread when playing starts or ends, or fails.
  void onChanged(std::function<void()> handler) { changed_ = std::move(handler); }

 protected:
  void notifyChanged() const {
    if (changed_) changed_();
  }

 private:
  std::function<void()> changed_;
};

}  // namespace scandeck

// What the library exports, looked up by these names.
extern "C" {
using ScandeckCaptureInterfaceFn = int (*)();
using ScandeckCaptureMakeFn = scandeck::CaptureSession* (*)(const scandeck::RecordingSettings* settings,
                                                            const char* working_folder);
using ScandeckCaptureInputsFn = void (*)(QStringList* names);
using ScandeckCapturePlayerFn = scandeck::CallPlayer* (*)();
}

namespace scandeck {

// The library's entry points from the first of `folders` that holds a library of
// this build; where none does, both null and `why` says what each folder gave.
struct CaptureLibrary {
  ScandeckCaptureMakeFn make = nullptr;
  ScandeckCaptureInputsFn inputs = nullptr;
  ScandeckCapturePlayerFn player = nullptr;
  QString why;
};
CaptureLibrary OpenCaptureLibrary(const QStringList& folders);

// The capture from the library (beside the program, else ../lib/scandeck): starts the thread and the input at once;
// `working_folder` is where a relative folder= is taken from. Null, with `why`
// set, where the library cannot be opened.
std::unique_ptr<CaptureSession> MakeCaptureSession(const RecordingSettings& settings,
                                                   const std::string& working_folder, QString* why);
// The descriptions of the sound inputs the system offers now; nullopt, with `why`
// set, where the library cannot be opened.
std::optional<QStringList> CaptureInputNames(QString* why);
// A player from the same library; null, with `why` set, where it cannot be opened.
std::unique_ptr<CallPlayer> MakeCallPlayer(QString* why);

}  // namespace scandeck

