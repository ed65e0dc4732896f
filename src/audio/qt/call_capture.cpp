#include "audio/qt/call_capture.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTimer>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "audio/core/recording_store.h"
#include "common/qt/qt_text.h"

namespace scandeck {

namespace {
constexpr int kWantedRate = 16000;
constexpr qint64 kBufferUs = 40000;
constexpr int kReportEveryMs = 250;   // level and status to the window
constexpr int kRetryEveryMs = 2000;   // a missing or lost input is looked for again
constexpr qint64 kNoDataMs = 3000;    // an open input silent as a stopped stream is lost
constexpr int kFreeEveryReports = 4;  // free space for the status line, once a second
constexpr std::size_t kMaxMarkedKeys = 256;

std::string KeyText(const CallKey& key) {
  return (key.kind == CallKind::Channel ? "C\t" : "T\t") + key.bank + "\t" + key.id;
}

std::int64_t EpochNow() { return QDateTime::currentMSecsSinceEpoch(); }
}  // namespace

// Everything here runs on the capture thread, from begin() to end().
class CaptureWorker final : public QObject {
 public:
  CaptureWorker(RecordingSettings settings, std::string folder, CallCapture* ui)
      : settings_(std::move(settings)), folder_(std::move(folder)), ui_(ui) {}

  std::atomic<std::uint64_t> captured{0};
  std::atomic<int> rate{0};

  void begin() {
    report_timer_ = std::make_unique<QTimer>();
    connect(report_timer_.get(), &QTimer::timeout, this, [this] { tick(); });
    report_timer_->start(kReportEveryMs);
    retry_timer_ = std::make_unique<QTimer>();
    retry_timer_->setSingleShot(true);
    connect(retry_timer_.get(), &QTimer::timeout, this, [this] { open(); });
    open();
  }

  void end() {
    closeInput();
    if (recorder_) recorder_->stop();
    gather();
    recorder_.reset();
    store_.reset();
    report_timer_.reset();
    retry_timer_.reset();
    post();
  }

  void started(const CallInfo& call, bool marked, std::uint64_t position, std::int64_t epoch) {
    if (!recorder_) return;  // no input has opened yet: there is nothing to record
    if (marks_.size() >= kMaxMarkedKeys) marks_.clear();
    marks_[KeyText(call.key)] = marked;
    // A stamp is never ahead of the capture, except one made on the timeline of an
    // input that has since been replaced.
    recorder_->callStarted(call, std::min(position, recorder_->position()), epoch);
  }
  void ended(std::uint64_t position, std::int64_t epoch) {
    if (recorder_) recorder_->callEnded(std::min(position, recorder_->position()), epoch);
  }
  void recordNow() {
    if (recorder_) recorder_->recordNow();
  }
  void setTap(CaptureTap tap) { tap_ = std::move(tap); }

 private:
  void open() {
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (!settings_.input.empty()) {
      device = {};
      for (const QAudioDevice& input : QMediaDevices::audioInputs())
        if (input.description() == ToQt(settings_.input)) device = input;
    }
    if (device.isNull()) {
      setProblem(settings_.input.empty() ? QString("There is no sound input")
                                         : "The input " + ToQt(settings_.input) + " is not present");
      retry_timer_->start(kRetryEveryMs);
      return;
    }
    QAudioFormat format;
    format.setSampleRate(kWantedRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
      // Another rate is fine: the Opus encoder resamples.
      format.setSampleRate(device.preferredFormat().sampleRate());
      if (!device.isFormatSupported(format)) {
        setProblem("The input " + device.description() + " offers no 16-bit mono audio");
        retry_timer_->start(kRetryEveryMs);
        return;
      }
    }
    if (format.sampleRate() != rate.load()) rebuild(format.sampleRate());
    source_ = std::make_unique<QAudioSource>(device, format);
    // Small pieces, often: the calls are stamped with the samples read so far, so
    // audio held back in a large buffer would shift every file by its length.
    source_->setBufferSize(format.bytesForDuration(kBufferUs));
    connect(source_.get(), &QAudioSource::stateChanged, this, [this](QAudio::State state) {
      if (source_ && state == QAudio::StoppedState && source_->error() != QAudio::NoError) lost();
    });
    io_ = source_->start();
    if (!io_ || source_->error() != QAudio::NoError) {
      closeInput();
      setProblem("The input " + device.description() + " cannot be opened");
      retry_timer_->start(kRetryEveryMs);
      return;
    }
    connect(io_, &QIODevice::readyRead, this, [this] { read(); });
    input_ = device.description();
    problem_.clear();
    since_data_.start();
  }

  // A new recorder and store for the rate the input gives; the old ones finish first.
  void rebuild(int new_rate) {
    if (recorder_) recorder_->stop();
    gather();
    recorder_.reset();
    store_.reset();
    rate = new_rate;
    captured = 0;
    if (!settings_.record) return;  // the tap alone (the stream)
    store_ = std::make_unique<RecordingStore>(StoreOptionsFrom(settings_, folder_, new_rate), disk_, SystemLocalTime,
                                              EpochNow);
    store_->startUp();
    RecorderRules rules = RulesFrom(settings_, new_rate);
    rules.marked = [this](const CallKey& key) {
      const auto found = marks_.find(KeyText(key));
      return found != marks_.end() && found->second;
    };
    recorder_ = std::make_unique<CallRecorder>(std::move(rules), *store_);
  }

  void read() {
    if (!io_) return;
    // The sound server can fail a stream without the source changing its state.
    if (source_->error() != QAudio::NoError) {
      lost();
      return;
    }
    carry_ += io_->readAll();
    const qsizetype whole = carry_.size() / 2 * 2;
    if (whole == 0) return;
    samples_.resize(static_cast<std::size_t>(whole / 2));
    std::memcpy(samples_.data(), carry_.constData(), static_cast<std::size_t>(whole));
    carry_.remove(0, whole);
    const std::uint64_t first = captured.load();
    if (recorder_) recorder_->audio(samples_.data(), samples_.size());
    if (tap_) tap_(samples_.data(), samples_.size(), first, rate.load());
    captured = first + samples_.size();
    since_data_.restart();
  }

  void closeInput() {
    if (!source_) return;
    // Deleting the source never reports a state of its own to us again.
    disconnect(source_.get(), nullptr, this, nullptr);
    source_->stop();
    source_.reset();
    io_ = nullptr;
    carry_.clear();
    input_.clear();
  }

  // The input stopped: what was open ends at its last sample; it is looked for again.
  void lost() {
    const QString name = input_;
    closeInput();
    if (recorder_) recorder_->stop();
    setProblem("The input " + name + " went away");
    retry_timer_->start(kRetryEveryMs);
  }

  // Said once when the trouble begins; while it lasts the status line follows it.
  void setProblem(const QString& text) {
    if (problem_.isEmpty()) notices_ << text;
    problem_ = text;
  }

  void gather() {
    if (!recorder_ || !store_) return;
    if (const auto change = recorder_->takeSilenceChange()) {
      silent_ = change;
      if (*change) notices_ << "The input is silent: check the cable and the input device";
    }
    for (const std::string& text : store_->takeNotices()) notices_ << ToQt(text);
    for (KeptCall& call : store_->takeKept()) kept_.push_back(std::move(call));
  }

  void tick() {
    if (source_ && (since_data_.elapsed() > kNoDataMs || source_->error() != QAudio::NoError)) lost();
    gather();
    if (store_ && ++free_count_ >= kFreeEveryReports) {
      free_count_ = 0;
      const StoreOptions options = StoreOptionsFrom(settings_, folder_, rate);
      free_ = disk_.freeBytes(options.folder);
      if (!free_) free_ = disk_.freeBytes(folder_);
    }
    post();
  }

  void post() {
    CaptureReport report;
    if (recorder_) {
      report.level = recorder_->level();
      report.inCall = recorder_->inCall();
      report.recording = recorder_->recording();
    }
    if (store_) report.lastFile = QString::fromStdString(store_->lastFile());
    report.input = input_;
    report.rate = source_ ? rate.load() : 0;
    report.captured = captured.load();
    report.freeBytes = free_;
    report.silent = silent_;
    report.problem = problem_;
    QStringList notices;
    notices.swap(notices_);
    std::vector<KeptCall> kept;
    kept.swap(kept_);
    QMetaObject::invokeMethod(
        ui_, [ui = ui_, report, notices, kept] { ui->received(report, notices, kept); }, Qt::QueuedConnection);
  }

  RecordingSettings settings_;
  std::string folder_;
  CallCapture* ui_;
  SystemDisk disk_;
  std::unique_ptr<QAudioSource> source_;
  QIODevice* io_ = nullptr;
  std::unique_ptr<RecordingStore> store_;
  std::unique_ptr<CallRecorder> recorder_;
  CaptureTap tap_;
  std::unique_ptr<QTimer> report_timer_;
  std::unique_ptr<QTimer> retry_timer_;
  QElapsedTimer since_data_;
  std::unordered_map<std::string, bool> marks_;
  QByteArray carry_;
  std::vector<std::int16_t> samples_;
  QStringList notices_;
  std::vector<KeptCall> kept_;
  QString problem_;
  QString input_;
  std::optional<std::uint64_t> free_;
  int free_count_ = kFreeEveryReports;
  std::optional<bool> silent_;
};

QStringList AudioInputNames() {
  QStringList names;
  for (const QAudioDevice& input : QMediaDevices::audioInputs()) names << input.description();
  return names;
}

CallCapture::CallCapture(const RecordingSettings& settings, std::string working_folder, QObject* parent)
    : QObject(parent), worker_(new CaptureWorker(settings, std::move(working_folder), this)) {
  thread_.setObjectName("capture");
  worker_->moveToThread(&thread_);
  thread_.start();
  QMetaObject::invokeMethod(worker_, [w = worker_] { w->begin(); }, Qt::QueuedConnection);
}

CallCapture::~CallCapture() {
  QMetaObject::invokeMethod(worker_, [w = worker_] { w->end(); }, Qt::BlockingQueuedConnection);
  thread_.quit();
  thread_.wait();
  delete worker_;
}

std::uint64_t CallCapture::position(std::chrono::milliseconds ago) const {
  const std::uint64_t now = worker_->captured.load();
  const long long ms = std::max<long long>(0, ago.count());
  const auto back = static_cast<std::uint64_t>(ms) * static_cast<std::uint64_t>(std::max(0, worker_->rate.load())) / 1000;
  return now > back ? now - back : 0;
}

void CallCapture::callStarted(const CallInfo& call, bool marked, std::chrono::milliseconds ago) {
  const std::uint64_t position = this->position(ago);
  const std::int64_t epoch = EpochNow() - ago.count();
  QMetaObject::invokeMethod(
      worker_, [w = worker_, call, marked, position, epoch] { w->started(call, marked, position, epoch); },
      Qt::QueuedConnection);
}

void CallCapture::callEnded(std::chrono::milliseconds ago) {
  const std::uint64_t position = this->position(ago);
  const std::int64_t epoch = EpochNow() - ago.count();
  QMetaObject::invokeMethod(worker_, [w = worker_, position, epoch] { w->ended(position, epoch); }, Qt::QueuedConnection);
}

void CallCapture::setTap(CaptureTap tap) {
  QMetaObject::invokeMethod(worker_, [w = worker_, tap = std::move(tap)] { w->setTap(tap); }, Qt::QueuedConnection);
}

void CallCapture::recordNow() {
  QMetaObject::invokeMethod(worker_, [w = worker_] { w->recordNow(); }, Qt::QueuedConnection);
}

QStringList CallCapture::takeNotices() {
  QStringList out;
  out.swap(notices_);
  return out;
}

std::vector<KeptCall> CallCapture::takeKept() {
  std::vector<KeptCall> out;
  out.swap(kept_);
  return out;
}

void CallCapture::received(const CaptureReport& report, const QStringList& notices, const std::vector<KeptCall>& kept) {
  report_ = report;
  notices_ << notices;
  kept_.insert(kept_.end(), kept.begin(), kept.end());
  if (kept_.size() > kMaxKeptCalls) kept_.erase(kept_.begin(), kept_.end() - static_cast<std::ptrdiff_t>(kMaxKeptCalls));
  // Bounded even when nobody takes them.
  while (notices_.size() > 32) notices_.removeFirst();
  emit reported();
  notifyReported();
}

}  // namespace scandeck

// The library's entry points, opened by name (capture_library.cpp).
extern "C" Q_DECL_EXPORT int scandeck_capture_interface() { return scandeck::kCaptureInterface; }

extern "C" Q_DECL_EXPORT scandeck::CaptureSession* scandeck_capture_make(const scandeck::RecordingSettings* settings,
                                                                       const char* working_folder) {
  return new scandeck::CallCapture(*settings, working_folder);
}

extern "C" Q_DECL_EXPORT void scandeck_capture_inputs(QStringList* names) { *names = scandeck::AudioInputNames(); }
