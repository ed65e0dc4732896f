// The main window's share of MQTT: the service made and replaced as mqtt.ini says,
// the calls from the Heard list, remote key presses through the key's own handler,
// and the MQTT part of the Integrations window.
#include <QSysInfo>

#include "common/qt/qt_text.h"
#include "heard/core/heard_names.h"
#include "integrations/qt/integrations_window.h"
#include "mqtt/qt/mqtt_part.h"
#include "ui/core/control_panel.h"
#include "ui/qt/main_window.h"

namespace scandeck {

void MainWindow::startMqtt(const MqttSettings& settings) {
  mqtt_.reset();
  if (!settings.enabled) return;
  std::vector<std::string> captions;
  for (const auto& key : kPanelKeys) captions.emplace_back(key.caption);
  mqtt_ = std::make_unique<MqttService>(settings, std::move(captions), [this](std::size_t key) {
    core_.Button_Click(kPanelKeys[key].button);
    render();
  });
}

QString MainWindow::applyMqtt(const MqttSettings& settings) {
  MqttSettings s = settings;
  const std::string host = FromQt(QSysInfo::machineHostName());
  if (!IsUsablePrefix(s.prefix)) s.prefix = DefaultMqttPrefix(host);
  const std::string path = core_.path(kMqttFileName);
  const Failure failure = WriteMqttFile(path, s);
  startMqtt(s);
  if (!failure) return {};
  return QString("%1 could not be saved: %2").arg(ToQt(path), ToQt(failure.description));
}

void MainWindow::addMqttPart(IntegrationsWindow* window) {
  auto* part = new MqttPart([this] { return mqtt_ ? mqtt_->statusLine() : QString("MQTT: off"); });
  window->addPart(part, [this, part] {
    const QString error = applyMqtt(part->form());
    part->show(mqtt_ ? mqtt_->settings() : ReadMqttFile(core_.path(kMqttFileName), FromQt(QSysInfo::machineHostName())));
    return error;
  }, [part] { part->refresh(); });
  part->show(mqtt_ ? mqtt_->settings() : ReadMqttFile(core_.path(kMqttFileName), FromQt(QSysInfo::machineHostName())));
}

void MainWindow::publishCall(const HeardRow& row, bool started) {
  if (!mqtt_) return;
  const HeardList& list = heard_->list();
  const HeardEntry entry = LookUp(row.key, core_.freq(), core_.ids());
  CallEvent call;
  call.started = started;
  call.talkgroup = row.key.kind == HeardKind::Talkgroup;
  if (call.talkgroup) {
    call.trunkBank = row.key.bank;
    call.id = row.key.id;
    call.frequency = core_.status().FrequencyText;
  } else {
    call.frequency = row.key.id;
    if (entry.inDirectory && entry.number > 0) call.channel = std::to_string(entry.number);
  }
  call.name = entry.name;
  call.type = entry.type;
  call.startMs = list.epochOf(row.since);
  call.endMs = started ? 0 : list.epochOf(row.last);
  mqtt_->call(call);
}

}  // namespace scandeck
