// The main window's share of the remote page: the server made and replaced as
// remote.ini says, the status after each tick, the calls from the Heard list, and
// keys pressed on the page through the handler the window's own key calls.
#include "common/qt/qt_text.h"
#include "heard/core/heard_names.h"
#include "remote/qt/remote_window.h"
#include "status/core/status_json.h"
#include "ui/core/control_panel.h"
#include "ui/qt/main_window.h"

namespace scandeck {

namespace {
RemoteRow RowOf(const HeardRow& row, const HeardList& list, const FreqDirectory& freq, const IdDirectory& ids) {
  const HeardEntry entry = LookUp(row.key, freq, ids);
  RemoteRow r;
  r.talkgroup = row.key.kind == HeardKind::Talkgroup;
  r.bank = row.key.bank;
  r.id = row.key.id;
  r.name = entry.name;
  r.type = entry.type;
  r.hits = row.hits;
  r.firstMs = list.epochOf(row.first);
  r.lastMs = list.epochOf(list.lastHeard(row));
  r.activeSeconds = list.activeTime(row).count() / 1000;
  r.active = row.active;
  return r;
}
}  // namespace

RemoteSettings MainWindow::remoteSettings() const { return ReadRemoteFile(core_.path(kRemoteFileName)); }

void MainWindow::startRemote(const RemoteSettings& settings) {
  remote_.reset();
  if (!settings.enabled) return;
  RemoteServer::Hooks hooks;
  for (const auto& key : kPanelKeys) hooks.captions.emplace_back(key.caption);
  hooks.press = [this](const RemoteKey& key) { pressRemoteKey(key); };
  hooks.heard = [this] { return remoteHeard(); };
  remote_ = std::make_unique<RemoteServer>(settings, std::move(hooks));
  remote_->update(StatusJson(core_.status()));
}

QString MainWindow::applyRemote(const RemoteSettings& settings) {
  const std::string path = core_.path(kRemoteFileName);
  const Failure failure = WriteRemoteFile(path, settings);
  // A new server ends every session, so a changed password logs everyone out; OK
  // with nothing changed leaves a listening server, and its browsers, alone.
  if (!(remote_ && remote_->listening() && remote_->settings() == settings)) startRemote(settings);
  if (!failure) return {};
  return QString("%1 could not be saved: %2").arg(ToQt(path), ToQt(failure.description));
}

void MainWindow::pressRemoteKey(const RemoteKey& key) {
  switch (key.kind) {
    case RemoteKey::Kind::Panel:
      if (key.index >= 0 && key.index < static_cast<int>(std::size(kPanelKeys)))
        core_.Button_Click(kPanelKeys[key.index].button);
      break;
    case RemoteKey::Kind::Bank: core_.BankLbl_Click(key.index); break;
    case RemoteKey::Kind::IdBank: core_.IDlbl_Click(key.index); break;
  }
  render();
}

std::string MainWindow::remoteHeard() {
  const HeardList& list = heard_->list();
  std::vector<RemoteRow> rows;
  rows.reserve(list.rows().size());
  for (const HeardRow& row : list.rows()) rows.push_back(RowOf(row, list, core_.freq(), core_.ids()));
  return HeardJson(rows);
}

void MainWindow::remoteCall(const HeardRow& row, bool started) {
  if (remote_) remote_->call(RowOf(row, heard_->list(), core_.freq(), core_.ids()), started);
}

void MainWindow::RemoteMnu_Click() {
  if (!remote_window_) {
    remote_window_ = new RemoteWindow(
        remoteSettings(),
        {[this](const RemoteSettings& s) { return applyRemote(s); },
         [this] { return remote_ ? remote_->statusLine() : QString("Remote: off"); }, [] { return LanAddresses(); }},
        this);
    remote_window_->setAttribute(Qt::WA_DeleteOnClose);
  }
  remote_window_->ShowRemote(remote_ ? remote_->settings() : remoteSettings());
}

}  // namespace scandeck
