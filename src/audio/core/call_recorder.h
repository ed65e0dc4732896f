#pragma once
// Which stretches of the sound input become files, decided on the capture's own
// timeline (sample counts at the capture rate, never wall time): calls start and
// end at the positions the capture had reached when the poll reported them, and
// the recorder turns them, with the audio, into actions on a CallSink. It decides
// two seconds behind the capture, so a report that reaches it late still counts
// where it was stamped; files therefore close that much after hang time.
//
// Memory stays bounded whatever a call's length: the recorder keeps only a ring of
// the last max(pre-roll, hang time) plus a little slack. A call the rule does not
// pick is still written, as a tentative file, and discarded at its end unless
// "Record now" came; so "Record now" can keep a call from its pre-roll on without
// holding minutes of audio in memory, at the price of encoding every call (no more
// than recording everything, which the program must afford anyway).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "audio/core/level_meter.h"
#include "audio/core/recording_names.h"
#include "audio/core/recording_settings.h"

namespace scandeck {

// One file of a call as the recorder asks for it.
struct CallFile {
  CallInfo call;
  std::int64_t startEpochMs = 0;  // wall time of the file's first sample
  std::uint64_t firstSample = 0;  // capture position of its first sample
  int part = 1;                   // 2, 3... continue a call split at max_minutes
  bool tentative = false;         // not picked by the rule: discarded unless kept by "Record now"
};

class CallSink {
 public:
  virtual ~CallSink() = default;
  // False when no file could be started (low space, an error the sink reports).
  virtual bool open(const CallFile& file) = 0;
  // False when the file came to an end on its own (disk full or low): the sink kept
  // or removed it, and nothing more goes to it.
  virtual bool write(const std::int16_t* samples, std::size_t count) = 0;
  // The file is complete: `end_epoch_ms` is the wall time of its last sample.
  virtual void keep(std::int64_t end_epoch_ms) = 0;
  virtual void discard() = 0;
};

struct RecorderRules {
  int rate = 16000;  // samples per second of the capture
  RecordWhat what = RecordWhat::All;
  int prerollMs = 500;
  int hangMs = 2000;
  int minMs = 500;
  int maxMinutes = 10;
  // Whether a channel or talkgroup is marked "Record" (what=marked); none without it.
  std::function<bool(const CallKey&)> marked;
};
RecorderRules RulesFrom(const RecordingSettings& settings, int rate);

class CallRecorder {
 public:
  // Events stamped further ahead of the audio than this many wait no longer.
  static constexpr std::size_t kMaxPendingEvents = 64;

  CallRecorder(RecorderRules rules, CallSink& sink);

  // `position`: samples captured when the call was reported; `epoch_ms`: the wall time then.
  void callStarted(const CallInfo& call, std::uint64_t position, std::int64_t epoch_ms);
  void callEnded(std::uint64_t position, std::int64_t epoch_ms);
  void audio(const std::int16_t* samples, std::size_t count);
  // Keeps the call in progress (or in its hang time) from its start. False when
  // there is none, or it has no file.
  bool recordNow();
  // The capture stopped: what is open ends at the last sample.
  void stop();

  std::uint64_t position() const { return captured_; }
  const Level& level() const { return level_; }
  // Once per change: true when a whole call came in silent, false when sound came back.
  std::optional<bool> takeSilenceChange();
  bool inCall() const { return state_ != State::Idle; }
  // A file of the current call is being written that will be kept.
  bool recording() const { return state_ != State::Idle && file_open_ && !tentative_; }
  std::size_t ringCapacity() const { return ring_.size(); }

 private:
  enum class State { Idle, Active, Hang };
  struct Event {
    bool start = false;
    CallInfo call;
    std::uint64_t position = 0;
    std::int64_t epoch = 0;
    bool forced = false;  // "Record now" came before the recorder reached it
  };

  std::uint64_t samplesFor(long long ms) const;
  std::int64_t epochAt(std::uint64_t position) const;
  std::uint64_t horizon() const;
  void queue(Event event);
  void run();
  void apply(const Event& event);
  void sync(std::uint64_t target);
  void writeTo(std::uint64_t target);
  bool openFile(std::uint64_t first, int part);
  void finish();
  void take(const std::int16_t* samples, std::size_t count);

  RecorderRules rules_;
  CallSink& sink_;
  std::vector<std::int16_t> ring_;
  std::uint64_t slack_ = 0;
  bool flushing_ = false;
  std::uint64_t captured_ = 0;
  std::deque<Event> pending_;
  std::uint64_t last_event_ = 0;

  State state_ = State::Idle;
  CallInfo call_;
  std::uint64_t call_start_ = 0;   // the call's first report
  std::int64_t start_epoch_ = 0;
  std::uint64_t call_end_ = 0;     // its last end report, in the hang time
  bool file_open_ = false;
  bool tentative_ = false;
  bool forced_ = false;            // "Record now"
  int part_ = 1;
  std::uint64_t file_start_ = 0;
  std::uint64_t written_ = 0;      // the file holds [file_start_, written_)
  std::uint64_t heard_ = 0;        // the silence watch has heard the call up to here

  Level level_;
  SilenceWatch silence_;
  std::optional<bool> silence_change_;
};

}  // namespace scandeck
