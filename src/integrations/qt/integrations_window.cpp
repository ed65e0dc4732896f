#include "integrations/qt/integrations_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "common/qt/controls.h"
#include "common/qt/pictures.h"
#include "common/qt/qt_text.h"

namespace scandeck {

namespace {
constexpr int kRefreshMs = 500;

QString Plain(QString caption) { return caption.remove('&').remove(QRegularExpression(":$")); }

// A field named by its caption alone: a screen reader speaks the caption's label
// and a name that says more after it, the caption twice. What more there is to
// say is the description.
template <typename T>
T* Field(QFormLayout* form, const QString& caption, const char* name, const QString& more = {}) {
  auto* field = new T;
  field->setObjectName(name);
  field->setAccessibleName(Plain(caption));
  field->setAccessibleDescription(more);
  auto* label = new QLabel(caption);
  label->setBuddy(field);
  form->addRow(label, field);
  return field;
}

QSpinBox* Range(QSpinBox* box, int low, int high) {
  box->setRange(low, high);
  return box;
}
}  // namespace

IntegrationsWindow::IntegrationsWindow(const IntegrationSettings& settings, Callbacks callbacks, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), callbacks_(std::move(callbacks)) {
  setObjectName("Integrations");
  setWindowTitle("Integrations");
  setWindowIcon(QIcon(pictures::AppIcon(64)));

  auto* textGroup = new QGroupBox("Now playing", this);
  auto* textForm = new QFormLayout(textGroup);
  TemplateBox = Field<SpokenBox>(textForm, "&Template:", "TemplateBox", "fields {name} {type} {freq} {tgid} {system} {mode}");
  TemplateBox->setToolTip("Fields: {name} {type} {freq} {tgid} {system} {mode}");
  IdleBox = Field<SpokenBox>(textForm, "&Idle text:", "IdleBox", "shown while nothing is heard");
  NowPlayingLbl = new QLabel(textGroup);
  NowPlayingLbl->setObjectName("NowPlayingLbl");
  NowPlayingLbl->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  textForm->addRow(new QLabel("Now:"), NowPlayingLbl);

  auto* icecastGroup = new QGroupBox("Icecast stream title", this);
  auto* icecastForm = new QFormLayout(icecastGroup);
  // Every mnemonic letter is taken once in the window (the MQTT part too): the
  // controls after the letters ran out are reached with Tab.
  IcecastChk = new QCheckBox("Update the stream's title on the Icecast server", icecastGroup);
  IcecastChk->setObjectName("IcecastChk");
  icecastForm->addRow(IcecastChk);
  IcecastHostBox = Field<SpokenBox>(icecastForm, "Ser&ver:", "IcecastHostBox");
  IcecastPortBox = Range(Field<QSpinBox>(icecastForm, "P&ort:", "IcecastPortBox"), 1, 65535);
  IcecastMountBox = Field<SpokenBox>(icecastForm, "&Mount:", "IcecastMountBox");
  IcecastUserBox = Field<SpokenBox>(icecastForm, "&User:", "IcecastUserBox");
  IcecastPasswordBox = Field<SpokenBox>(icecastForm, "Pass&word:", "IcecastPasswordBox");
  IcecastPasswordBox->setEchoMode(QLineEdit::Password);
  IcecastDelayBox = Range(Field<QSpinBox>(icecastForm, "&Delay (seconds):", "IcecastDelayBox",
                                          "to line the title up with the stream's audio"),
                          0, kMaxTitleDelaySeconds);

  auto* overlayGroup = new QGroupBox("Text file for overlays", this);
  auto* overlayForm = new QFormLayout(overlayGroup);
  OverlayChk = new QCheckBox("Write the text to a &file on each change", overlayGroup);
  OverlayChk->setObjectName("OverlayChk");
  overlayForm->addRow(OverlayChk);
  OverlayFileBox = Field<SpokenBox>(overlayForm, "File &name:", "OverlayFileBox");

  auto* rigGroup = new QGroupBox("Rig-control port (rigctld protocol)", this);
  auto* rigForm = new QFormLayout(rigGroup);
  RigChk = new QCheckBox("Answer &rig-control clients (frequency and mode; read only)", rigGroup);
  RigChk->setObjectName("RigChk");
  rigForm->addRow(RigChk);
  RigAddressBox = Field<SpokenBox>(rigForm, "Address:", "RigAddressBox", "127.0.0.1 keeps it to this computer");
  RigPortBox = Range(Field<QSpinBox>(rigForm, "Port:", "RigPortBox"), 1, 65535);

  auto* streamGroup = new QGroupBox("Stream the audio", this);
  auto* streamForm = new QFormLayout(streamGroup);
  StreamChk = new QCheckBox("Send the audio to an Icecast server, &just as it is heard", streamGroup);
  StreamChk->setObjectName("StreamChk");
  StreamChk->setAccessibleDescription("ScanDeck is the source; the titles go with the audio");
  streamForm->addRow(StreamChk);
  StreamHostBox = Field<SpokenBox>(streamForm, "Server:", "StreamHostBox");
  StreamPortBox = Range(Field<QSpinBox>(streamForm, "Port:", "StreamPortBox"), 1, 65535);
  StreamMountBox = Field<SpokenBox>(streamForm, "Mount:", "StreamMountBox", "begins with a slash");
  StreamUserBox = Field<SpokenBox>(streamForm, "User:", "StreamUserBox");
  StreamPasswordBox = Field<SpokenBox>(streamForm, "Password:", "StreamPasswordBox");
  StreamPasswordBox->setEchoMode(QLineEdit::Password);
  StreamFormatBox = Field<QComboBox>(streamForm, "Format:", "StreamFormatBox");
  StreamFormatBox->addItems({"MP3", "Ogg Opus"});
  StreamBitrateBox = Field<QComboBox>(streamForm, "Bitrate:", "StreamBitrateBox", "kilobits a second; 32 carries voice");
  for (const int kbps : kStreamBitrates) StreamBitrateBox->addItem(QString("%1 kb/s").arg(kbps), kbps);
  StreamNameBox = Field<SpokenBox>(streamForm, "Stream name:", "StreamNameBox");
  StreamGenreBox = Field<SpokenBox>(streamForm, "Genre:", "StreamGenreBox");
  StreamDescriptionBox = Field<SpokenBox>(streamForm, "Description:", "StreamDescriptionBox");
  StreamPublicChk = new QCheckBox("List it in public directories", streamGroup);
  StreamPublicChk->setObjectName("StreamPublicChk");
  streamForm->addRow(StreamPublicChk);
  StreamCallsOnlyChk = new QCheckBox("Calls only: silence between calls", streamGroup);
  StreamCallsOnlyChk->setObjectName("StreamCallsOnlyChk");
  StreamCallsOnlyChk->setAccessibleDescription("the connection is kept with encoded silence between calls");
  streamForm->addRow(StreamCallsOnlyChk);

  StatusLbl = new QLabel(this);
  StatusLbl->setObjectName("StatusLbl");
  StatusLbl->setWordWrap(true);
  StatusLbl->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  ApplyCmd = new QPushButton("&Apply", this);
  ApplyCmd->setObjectName("ApplyCmd");
  ApplyCmd->setAccessibleName("Apply, save these settings and use them now");
  CloseCmd = new QPushButton("&Close", this);
  CloseCmd->setObjectName("CloseCmd");
  connect(ApplyCmd, &QPushButton::clicked, this, &IntegrationsWindow::ApplyCmd_Click);
  connect(CloseCmd, &QPushButton::clicked, this, &QWidget::close);
  EscapeCloses(this, [this] { close(); });

  // The groups scroll, the status line and the buttons stay: with every part the
  // window is taller than a small screen.
  auto* area = new QScrollArea(this);
  area->setObjectName("PartsArea");
  area->setFrameShape(QFrame::NoFrame);
  area->setWidgetResizable(true);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* parts = new QWidget(area);
  parts_column_ = new QVBoxLayout(parts);
  parts_column_->setContentsMargins(0, 0, 0, 0);
  for (QWidget* group : {static_cast<QWidget*>(textGroup), static_cast<QWidget*>(icecastGroup),
                         static_cast<QWidget*>(overlayGroup), static_cast<QWidget*>(rigGroup),
                         static_cast<QWidget*>(streamGroup)})
    parts_column_->addWidget(group);
  area->setWidget(parts);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(area, 1);
  layout->addWidget(StatusLbl);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ApplyCmd);
  buttons->addWidget(CloseCmd);
  layout->addLayout(buttons);
  setMinimumWidth(520);

  refresh_ = new QTimer(this);
  refresh_->setInterval(kRefreshMs);
  connect(refresh_, &QTimer::timeout, this, &IntegrationsWindow::refresh);
}

IntegrationSettings IntegrationsWindow::form() const {
  IntegrationSettings s = settings_;
  s.text.format = FromQt(TemplateBox->text());
  s.text.idle = FromQt(IdleBox->text());
  s.icecast = IcecastChk->isChecked();
  s.icecastHost = FromQt(IcecastHostBox->text().trimmed());
  s.icecastPort = static_cast<std::uint16_t>(IcecastPortBox->value());
  s.icecastMount = FromQt(IcecastMountBox->text().trimmed());
  s.icecastUser = FromQt(IcecastUserBox->text());
  s.icecastPassword = FromQt(IcecastPasswordBox->text());
  s.icecastDelaySeconds = IcecastDelayBox->value();
  s.overlay = OverlayChk->isChecked();
  s.overlayFile = FromQt(OverlayFileBox->text().trimmed());
  s.rig = RigChk->isChecked();
  s.rigAddress = FromQt(RigAddressBox->text().trimmed());
  s.rigPort = static_cast<std::uint16_t>(RigPortBox->value());
  StreamOptions& o = s.stream;
  o.enabled = StreamChk->isChecked();
  if (const QString host = StreamHostBox->text().trimmed(); !host.isEmpty()) o.host = FromQt(host);
  o.port = static_cast<std::uint16_t>(StreamPortBox->value());
  if (QString mount = StreamMountBox->text().trimmed(); !mount.isEmpty() && mount != "/")
    o.mount = FromQt(mount.startsWith('/') ? mount : "/" + mount);
  if (const QString user = StreamUserBox->text().trimmed(); !user.isEmpty()) o.user = FromQt(user);
  o.password = FromQt(StreamPasswordBox->text());
  o.format = StreamFormatBox->currentIndex() == 1 ? StreamFormat::Opus : StreamFormat::Mp3;
  o.bitrate = StreamBitrateBox->currentData().toInt();
  o.name = FromQt(StreamNameBox->text());
  o.genre = FromQt(StreamGenreBox->text());
  o.description = FromQt(StreamDescriptionBox->text());
  o.listed = StreamPublicChk->isChecked();
  o.callsOnly = StreamCallsOnlyChk->isChecked();
  return s;
}

void IntegrationsWindow::ShowIntegrations() {
  const IntegrationSettings& s = settings_;
  TemplateBox->setText(ToQt(s.text.format));
  IdleBox->setText(ToQt(s.text.idle));
  IcecastChk->setChecked(s.icecast);
  IcecastHostBox->setText(ToQt(s.icecastHost));
  IcecastPortBox->setValue(s.icecastPort);
  IcecastMountBox->setText(ToQt(s.icecastMount));
  IcecastUserBox->setText(ToQt(s.icecastUser));
  IcecastPasswordBox->setText(ToQt(s.icecastPassword));
  IcecastDelayBox->setValue(s.icecastDelaySeconds);
  OverlayChk->setChecked(s.overlay);
  OverlayFileBox->setText(ToQt(s.overlayFile));
  RigChk->setChecked(s.rig);
  RigAddressBox->setText(ToQt(s.rigAddress));
  RigPortBox->setValue(s.rigPort);
  const StreamOptions& o = s.stream;
  StreamChk->setChecked(o.enabled);
  StreamHostBox->setText(ToQt(o.host));
  StreamPortBox->setValue(o.port);
  StreamMountBox->setText(ToQt(o.mount));
  StreamUserBox->setText(ToQt(o.user));
  StreamPasswordBox->setText(ToQt(o.password));
  StreamFormatBox->setCurrentIndex(o.format == StreamFormat::Opus ? 1 : 0);
  StreamBitrateBox->setCurrentIndex(std::max(0, StreamBitrateBox->findData(o.bitrate)));
  StreamNameBox->setText(ToQt(o.name));
  StreamGenreBox->setText(ToQt(o.genre));
  StreamDescriptionBox->setText(ToQt(o.description));
  StreamPublicChk->setChecked(o.listed);
  StreamCallsOnlyChk->setChecked(o.callsOnly);
  apply_error_.clear();
  refresh();
  refresh_->start();
  show();
  raise();
  activateWindow();
}

void IntegrationsWindow::ApplyCmd_Click() {
  if (callbacks_.apply) apply_error_ = callbacks_.apply(form());
  for (const auto& part : parts_)
    if (const QString error = part.first(); !error.isEmpty())
      apply_error_ = apply_error_.isEmpty() ? error : apply_error_ + " | " + error;
  refresh();
}

void IntegrationsWindow::addPart(QWidget* part, std::function<QString()> apply, std::function<void()> refresh) {
  parts_column_->addWidget(part);
  QWidget* previous = StreamCallsOnlyChk;
  for (QWidget* child : part->findChildren<QWidget*>())
    if (child->focusPolicy() & Qt::TabFocus && !child->focusProxy() && child->parentWidget() == part) {
      setTabOrder(previous, child);
      previous = child;
    }
  parts_.emplace_back(std::move(apply), std::move(refresh));
}

// As tall as the parts need, as far as the screen allows; the rest scrolls.
void IntegrationsWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (sized_) return;
  sized_ = true;
  const QWidget* parts = parts_column_->parentWidget();
  const int wanted = parts->sizeHint().height() + height() - parts->parentWidget()->height();
  const int room = screen() ? screen()->availableGeometry().height() * 9 / 10 : wanted;
  resize(std::max(width(), parts->sizeHint().width() + 2 * layout()->contentsMargins().left()),
         std::min(wanted, room));
}

void IntegrationsWindow::refresh() {
  for (const auto& part : parts_)
    if (part.second) part.second();
  const QString now = callbacks_.nowPlaying ? callbacks_.nowPlaying() : QString();
  if (NowPlayingLbl->text() != now) {
    NowPlayingLbl->setText(now);
    NowPlayingLbl->setAccessibleName("Now: " + now);
  }
  QString status = callbacks_.status ? callbacks_.status() : QString();
  if (!apply_error_.isEmpty()) status = apply_error_ + " | " + status;
  if (StatusLbl->text() != status) {
    StatusLbl->setText(status);
    StatusLbl->setAccessibleName("Status: " + status);
  }
}

}  // namespace scandeck
