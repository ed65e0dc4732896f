// The small settings files beside scandeck.ini (integrations.ini, recording.ini,
// mqtt.ini, alerts.dat, record.dat) as foreign or damaged files: read without harm,
// and what is written back reads the same.
#include <cstdint>
#include <string>

#include "audio/core/recording_settings.h"
#include "fuzz_check.h"
#include "heard/core/heard_names.h"
#include "integrations/core/integration_settings.h"
#include "mqtt/core/mqtt_settings.h"

using namespace scandeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const IntegrationSettings settings = ReadIntegrationText(text);
  const std::string written = IntegrationText(settings);
  FUZZ_CHECK(ReadIntegrationText(written) == settings);
  // What the sender is handed is always one it can use: a mount path, a bitrate offered.
  FUZZ_CHECK(settings.stream.mount.size() > 1 && settings.stream.mount[0] == '/');
  FUZZ_CHECK(IsStreamBitrate(settings.stream.bitrate) && !settings.stream.host.empty());

  const RecordingSettings recording = ReadRecordingText(text);
  const std::string recording_text = RecordingText(recording);
  FUZZ_CHECK(ReadRecordingText(recording_text) == recording);
  FUZZ_CHECK(RecordingText(ReadRecordingText(recording_text)) == recording_text);
  const MqttSettings mqtt = ReadMqttText(text, text.substr(0, 80));
  FUZZ_CHECK(IsUsablePrefix(mqtt.prefix));
  FUZZ_CHECK(ReadMqttText(MqttText(mqtt), "other") == mqtt);

  const auto folder = fuzz::ScratchFolder();
  const std::string path = (folder / kAlertFileName).string();
  fuzz::WriteWhole(path, text);
  AlertMarks marks;
  marks.Load(path);
  FUZZ_CHECK(marks.size() <= AlertMarks::kMaxMarks);
  FUZZ_CHECK(!marks.Save(path));
  const std::string saved = fuzz::ReadWhole(path);
  AlertMarks again;
  again.Load(path);
  FUZZ_CHECK(again.size() == marks.size());
  FUZZ_CHECK(!again.Save(path));
  FUZZ_CHECK(fuzz::ReadWhole(path) == saved);

  // The "Record" marks: the same text read the same way, and a file of their own, so
  // marking one for recording leaves the alerts as they were.
  const std::string record_path = (folder / kRecordMarksFileName).string();
  fuzz::WriteWhole(record_path, text);
  HeardMarks record;
  record.Load(record_path);
  FUZZ_CHECK(record.size() == marks.size());
  const HeardKey key{HeardKind::Talkgroup, "1", "fuzz"};
  const bool was_alert = marks.marked(key);
  record.set(key, !record.marked(key));
  FUZZ_CHECK(!record.Save(record_path));
  AlertMarks alerts_after;
  alerts_after.Load(path);
  FUZZ_CHECK(alerts_after.marked(key) == was_alert && fuzz::ReadWhole(path) == saved);
  HeardMarks record_again;
  record_again.Load(record_path);
  FUZZ_CHECK(record_again.size() == record.size() && record_again.marked(key) == record.marked(key));
  return 0;
}
