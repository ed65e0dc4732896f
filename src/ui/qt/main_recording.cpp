// Call recording: the Heard list's activities as calls, with the directory's names;
// and the capture's audio handed to the stream.
#include "audio/qt/recording_window.h"
#include "heard/core/heard_names.h"
#include "ui/qt/main_window.h"

namespace scandeck {

CallKey CallKeyOf(const HeardKey& key) {
  return {key.kind == HeardKind::Channel ? CallKind::Channel : CallKind::Talkgroup, key.bank, key.id};
}

void MainWindow::recordActivity(const HeardKey& key, bool started, Millis at) {
  const Millis ago = std::max(Millis{0}, core_.clock().now() - at);
  if (!started) {
    recording_.callEnded(ago);
    return;
  }
  const bool channel = key.kind == HeardKind::Channel;
  const HeardEntry entry = LookUp(key, core_.freq(), core_.ids());
  CallInfo call;
  call.key = CallKeyOf(key);
  call.name = entry.name;
  call.type = entry.type;
  call.system = channel ? std::string() : core_.status().SystemName;
  call.channel = channel ? entry.number : 0;
  recording_.callStarted(call, heard_->recordMarks().marked(key), ago);
}

void MainWindow::RecordingMnu_Click() {
  if (!recording_window_) {
    recording_window_ = new RecordingWindow(
        recording_.settings(),
        {[this](const RecordingSettings& s) { return recording_.apply(s); }, [this] { return recording_.statusLine(); },
         [this]() -> std::optional<Level> {
           const CaptureSession* capture = recording_.capture();
           if (!capture || capture->report().input.isEmpty()) return std::nullopt;
           return capture->report().level;
         },
         [this] { return recording_.inputNames(); }},
        this);
    recording_window_->setAttribute(Qt::WA_DeleteOnClose);
  }
  recording_window_->ShowRecording();
}

void MainWindow::feedStream() {
  std::shared_ptr<StreamSender> sender = integrations_.stream();
  integrations_.setCapturePosition([this] { return recording_.position(); });
  if (!sender) return recording_.setTap(nullptr);
  recording_.setTap([sender](const std::int16_t* samples, std::size_t count, std::uint64_t first, int rate) {
    sender->audio(samples, count, first, rate);
  });
}

void MainWindow::RecordNowMnu_Click() { recording_.recordNow(); }

}  // namespace scandeck
