#pragma once
// Call recording for the whole run: recording.ini, and the capture while it is
// switched on or the stream takes the input. Nothing of the sound system is made while record=0; a change of the
// settings ends the capture (its open file kept or discarded by the rules) and
// starts a new one. The capture comes from a library opened at the first need
// (capture_session.h); where it cannot be opened the status line says why.
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <string>

#include "audio/core/recording_names.h"
#include "audio/core/recording_settings.h"
#include "audio/qt/capture_session.h"

namespace scandeck {

class Recording final : public QObject {
  Q_OBJECT
 public:
  Recording(std::string settings_path, std::string working_folder, QObject* parent = nullptr);
  ~Recording() override;

  // Reads recording.ini and starts capturing when it says so.
  void load();
  const RecordingSettings& settings() const { return settings_; }
  // The window's new settings: written to the file, then the capture restarted.
  // Returns why the file could not be written, or empty.
  QString apply(const RecordingSettings& settings);

  void callStarted(const CallInfo& call, bool marked, std::chrono::milliseconds ago = {});
  void callEnded(std::chrono::milliseconds ago = {});
  // "Record now": keeps the call in progress from its start. False while off.
  bool recordNow();

  // Where the recordings go (folder= taken from the working folder).
  std::string recordingsFolder() const;
  // Null while recording is off or the capture library cannot be opened.
  const CaptureSession* capture() const { return capture_.get(); }
  // Another consumer of the input (the stream): the capture runs while record=1 or
  // a tap is set, and the tap gets every block. Null: none.
  void setTap(CaptureTap tap);
  // The capture's count of samples `ago` before now; nothing while no capture runs.
  std::optional<std::uint64_t> position(std::chrono::milliseconds ago = {}) const;

  // The sound inputs for the window's list; empty where the library cannot be
  // opened, which the status line then tells.
  QStringList inputNames();
  // The kept calls of one channel or talkgroup: the day folders' calls.csv are read
  // at the first question, after that only what the capture keeps is added.
  CallTally recordings(const CallKey& key);
  // Plays a kept file through the sound output; returns why it cannot, or empty.
  QString play(const std::string& path);
  void stopPlaying();
  bool playing() const { return player_ && player_->playing(); }

  // One line: recording now or waiting, the last file, the space left, the newest notice.
  QString statusLine() const;

 signals:
  void statusChanged();
  // `error`: why the file could not be played, told once; else empty.
  void playingChanged(const QString& error);

 private:
  void start();

  std::string path_;
  std::string folder_;
  RecordingSettings settings_;
  std::unique_ptr<CaptureSession> capture_;
  CaptureTap tap_;
  std::unique_ptr<CallPlayer> player_;
  CallCounts counts_;
  bool counted_ = false;
  QString play_error_;  // the player's error as last told
  QString notice_;
  QString unavailable_;  // why the capture library could not be opened
};

}  // namespace scandeck
