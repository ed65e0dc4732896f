// The integrations against real programs: Hamlib's rigctl reads the frequency the
// simulated scanner reports while hostile clients hammer the port, and a real
// Icecast server (started by tests/integrations/run.sh) shows the stream titles.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QRegularExpression>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <set>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/core/text.h"
#include "common/qt/qt_text.h"
#include "directory/core/freq_directory.h"
#include "support/sim_session.h"

using namespace scandeck;

namespace {

// The program on the simulated scanner, with channels named in its directory; the
// test moves the scanner's time, the integrations run on the real clock and network.
struct Session : scandeck::testing::SimSession {
  explicit Session(sim::SimulatorOptions options, const std::vector<std::pair<int, std::string>>& names = {})
      : SimSession(options, [&](scandeck::testing::TempDir& folder) {
          FreqDirectory channels;
          RecordFile file;
          EXPECT_FALSE(LoadFreqDirectory(folder.file("bank.dat"), file, channels, '.'));
          for (const auto& [n, name] : names)
            channels[n] = {n, FormatFrequencyMhz(options.memories.channels[n].units * 0.0001, '.'), "FDP", name,
                           "", "", "Normal", 0, 0, 0};
          if (!names.empty()) {
            EXPECT_FALSE(WriteBank(file, channels, 1));
          }
        }) {}
  void tick() { ticks(1, 5); }
  QString shown() { return at<QLabel>("FrequencyBox")->text(); }
};

sim::SimulatorOptions OnChannel(int channel) {
  sim::SimulatorOptions options = sim::QuietOptions(3);
  options.memories.mode = sim::Mode::Manual;
  options.memories.channel = channel;
  return options;
}

// Runs rigctl against the port while the program keeps ticking; its output.
QString Rigctl(Session& s, const QStringList& commands) {
  QProcess rigctl;
  rigctl.start("rigctl", QStringList{"-m", "2", "-r", QString("127.0.0.1:%1").arg(s.window->integrations().rig().port())} + commands);
  for (int i = 0; i < 4000 && rigctl.state() != QProcess::NotRunning; ++i) s.tick();
  EXPECT_EQ(rigctl.exitCode(), 0) << rigctl.readAllStandardError().toStdString();
  return QString::fromLatin1(rigctl.readAllStandardOutput()).trimmed();
}

int Connect(quint16 port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

// A script's client: sends its commands, ends its sending side at once (as
// "nc -N" does) and reads until the program closes; what it read.
std::string HalfClosingClient(Session& s, quint16 port, const std::string& commands) {
  std::atomic<bool> done{false};
  std::string answer;
  std::thread client([&] {
    const int fd = Connect(port);
    const timeval wait{30, 0};  // a program that never closes would leave this waiting
    if (fd >= 0 && ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) == 0 &&
        ::send(fd, commands.data(), commands.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(commands.size()) &&
        ::shutdown(fd, SHUT_WR) == 0) {
      char buffer[256];
      for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
    }
    if (fd >= 0) ::close(fd);
    done = true;
  });
  while (!done) s.tick();
  client.join();
  return answer;
}

}  // namespace

TEST(RigPort, HamlibsClientReadsTheFrequencyThroughHostileClients) {
  if (QStandardPaths::findExecutable("rigctl").isEmpty()) GTEST_SKIP() << "rigctl is not installed (libhamlib-utils)";
  Session s(OnChannel(2));
  // Switched on through the window, with the overlay file beside.
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
  const quint16 free_port = probe.serverPort();
  probe.close();
  s.window->findChild<QAction*>("IntegrationsMnu")->trigger();
  auto* window = s.window->findChild<QWidget*>("Integrations");
  ASSERT_TRUE(window && window->isVisible());
  window->findChild<QCheckBox*>("RigChk")->setChecked(true);
  window->findChild<QSpinBox*>("RigPortBox")->setValue(free_port);
  window->findChild<QCheckBox*>("OverlayChk")->setChecked(true);
  window->findChild<QLineEdit*>("OverlayFileBox")->setText(QString::fromStdString(s.folder.file("now.txt")));
  window->findChild<QLineEdit*>("IdleBox")->setText(QString::fromUtf8("Scanning Montr\u00E9al..."));
  window->findChild<QPushButton*>("ApplyCmd")->click();
  for (int i = 0; i < 40; ++i) s.tick();
  ASSERT_EQ(s.shown(), "154.4300");
  EXPECT_EQ(scandeck::testing::Slurp(s.folder.file("now.txt")), "Scanning Montr\xC3\xA9" "al...\n") << "UTF-8, no BOM";
  const std::string ini = scandeck::testing::Slurp(s.folder.file("integrations.ini"));
  EXPECT_NE(ini.find("\noverlay=1\n"), std::string::npos);
  EXPECT_NE(ini.find("\nrig=1\n"), std::string::npos);
  EXPECT_TRUE(window->findChild<QLabel*>("StatusLbl")->text().contains(QString("listening on 127.0.0.1:%1").arg(free_port)));
  EXPECT_EQ(Rigctl(s, {"f", "m", "v"}), "154430000\nFM\n15000\nVFOA");

  const quint16 port = s.window->integrations().rig().port();
  EXPECT_EQ(HalfClosingClient(s, port, "f\nm\n\\get_vfo\nf"), "154430000\nFM\n15000\nVFOA\n")
      << "every complete line answered before the end of the stream, then closed";

  // A 1 MB line, then every place held by idle connections and more waiting, half of
  // those closing their sending side at once.
  std::atomic<int> phase{0};
  std::atomic<bool> flood_cut{false};
  std::thread hostile([&] {
    const int flood = Connect(port);
    const std::string line(1 << 20, 'x');
    std::size_t sent = 0;
    while (flood >= 0 && sent < line.size()) {
      const ssize_t n = ::send(flood, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    const timeval wait{5, 0};  // a server that kept the line would leave this waiting
    if (flood >= 0) ::setsockopt(flood, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char byte;
    flood_cut = flood >= 0 && ::recv(flood, &byte, 1, 0) <= 0;
    if (flood >= 0) ::close(flood);
    std::vector<int> idle;
    for (std::size_t i = 0; i < kRigMaxClients + 8; ++i) {
      const int fd = Connect(port);
      if (fd >= 0 && i >= kRigMaxClients && i % 2) ::shutdown(fd, SHUT_WR);
      idle.push_back(fd);
    }
    phase = 1;
    while (phase != 2) std::this_thread::sleep_for(std::chrono::milliseconds{20});
    for (int fd : idle)
      if (fd >= 0) ::close(fd);
  });
  int most = 0;
  auto tick = [&] {
    s.tick();
    most = std::max(most, s.window->integrations().rig().clients());
  };
  while (phase == 0 || s.window->integrations().rig().clients() < static_cast<int>(kRigMaxClients)) tick();
  // The display keeps following the scanner while the connections stay open.
  s.simulator->state().channel = 3;
  for (int i = 0; i < 200 && s.shown() != "155.1600"; ++i) tick();
  EXPECT_EQ(s.shown(), "155.1600");
  // Every place is held: newcomers wait rather than being turned away, and get their
  // answers once the idle ones have been silent a while.
  for (int i = 0; i < 400 && s.window->integrations().rig().waiting() == 0; ++i) tick();
  EXPECT_GT(s.window->integrations().rig().waiting(), 0);
  EXPECT_EQ(Rigctl(s, {"f"}), "155160000");
  EXPECT_EQ(HalfClosingClient(s, port, "f\n"), "155160000\n");
  phase = 2;
  hostile.join();
  EXPECT_TRUE(flood_cut) << "the 1 MB line ends its client";
  EXPECT_LE(most, static_cast<int>(kRigMaxClients));
  for (int i = 0; i < 40 && s.window->integrations().rig().clients() > 0; ++i) tick();
  EXPECT_EQ(s.window->integrations().rig().clients(), 0);
}

// tests/integrations/run.sh starts icecast2 with a source on SCANDECK_ICECAST_MOUNT.
TEST(IcecastServer, TitlesFollowTheScannerAndAServerGoneIsReportedOnce) {
  const QString port = qEnvironmentVariable("SCANDECK_ICECAST_PORT");
  if (port.isEmpty()) GTEST_SKIP() << "needs an Icecast server (tests/integrations/run.sh)";
  // Busy channels 1 to 3 only, named with what breaks a careless query.
  sim::SimulatorOptions options = sim::QuietOptions(5);
  options.activity_per_minute = 40;
  for (int ch = 4; ch <= 13; ++ch) options.memories.channels[ch].lockout = true;
  options.memories.scan_banks = {};
  options.memories.scan_banks[1] = true;
  const std::vector<std::pair<int, std::string>> names = {
      {1, "Fire & Rescue"}, {2, "Ops #2"}, {3, "Caf\xE9 S\xE9" "curit\xE9"}};
  Session s(options, names);
  IntegrationSettings settings;
  settings.icecast = true;
  settings.icecastPort = static_cast<std::uint16_t>(port.toUInt());
  settings.icecastMount = qEnvironmentVariable("SCANDECK_ICECAST_MOUNT").toStdString();
  settings.icecastPassword = qEnvironmentVariable("SCANDECK_ICECAST_PASSWORD").toStdString();
  Integrations& integrations = s.window->integrations();
  ASSERT_TRUE(integrations.apply(settings).isEmpty());
  std::vector<QString> lines;
  QObject::connect(&integrations, &Integrations::statusChanged, [&] { lines.push_back(integrations.statusLine()); });

  QNetworkAccessManager network;
  auto title = [&]() -> QString {
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(QString("http://127.0.0.1:%1/status-json.xsl").arg(port))));
    while (!reply->isFinished()) s.tick();
    reply->deleteLater();
    const QJsonValue source = QJsonDocument::fromJson(reply->readAll())["icestats"]["source"];
    return (source.isArray() ? source.toArray().first() : source)["title"].toString();
  };
  std::set<QString> texts, titles;
  // Titles go out at most once a second on the real clock: on a loaded machine a short
  // call can pass between two, so the loop runs until every name has been a title.
  const auto all_seen = [&] {
    return titles.count(kDefaultIdleText) && std::all_of(names.begin(), names.end(), [&](const auto& n) {
             return std::any_of(titles.begin(), titles.end(), [&](const QString& t) { return t.startsWith(ToQt(n.second) + " (FDP) "); });
           });
  };
  for (int i = 0; i < 9000 && !all_seen(); ++i) {
    s.tick();
    texts.insert(ToQt(integrations.nowPlaying()));
    if (i % 10) continue;
    const QString t = title();
    if (!t.isEmpty()) titles.insert(t);
  }
  for (const QString& t : titles) EXPECT_TRUE(texts.count(t)) << "not a text of the program: " << t.toStdString();
  for (const auto& [n, name] : names) {
    const QString wanted = ToQt(name);
    EXPECT_TRUE(std::any_of(titles.begin(), titles.end(), [&](const QString& t) { return t.startsWith(wanted + " (FDP) "); }))
        << name;
  }
  EXPECT_TRUE(titles.count(kDefaultIdleText)) << "the idle text between calls";

  // The server goes away: the program keeps polling and says so once.
  ASSERT_EQ(::kill(qEnvironmentVariable("SCANDECK_ICECAST_PID").toInt(), SIGTERM), 0);
  lines.clear();
  for (int i = 0; i < 300; ++i) {
    s.tick();
    QTest::qWait(25);
  }
  const auto failures = std::count_if(lines.begin(), lines.end(), [](const QString& l) { return l.contains("trying again"); });
  EXPECT_EQ(failures, 1) << (lines.empty() ? std::string() : lines.back().toStdString());
  EXPECT_TRUE(integrations.statusLine().contains("trying again")) << integrations.statusLine().toStdString();
  EXPECT_TRUE(s.desktop.events.empty()) << "no message box";
}

// The stream's part and the MQTT part: reached by Tab after the rig port, every
// field named with its caption, every mnemonic letter unique in the window; Apply
// writes mqtt.ini for its owner alone and makes the client only while it is switched on.
TEST(MqttPart, KeyboardNamesAndSwitchingOnAndOff) {
  Session s(OnChannel(2));
  s.window->findChild<QAction*>("IntegrationsMnu")->trigger();
  auto* window = s.window->findChild<QWidget*>("Integrations");
  ASSERT_TRUE(window && window->isVisible());
  const QStringList streamOrder = {"StreamChk",       "StreamHostBox",    "StreamPortBox",       "StreamMountBox",
                                   "StreamUserBox",   "StreamPasswordBox", "StreamFormatBox",    "StreamBitrateBox",
                                   "StreamNameBox",   "StreamGenreBox",   "StreamDescriptionBox", "StreamPublicChk",
                                   "StreamCallsOnlyChk"};
  const QStringList order = {"MqttChk",     "MqttHostBox",     "MqttPortBox",   "MqttVersionBox",
                             "MqttTlsChk",  "MqttCaBox",       "MqttUserBox",   "MqttPasswordBox",
                             "MqttPrefixBox", "MqttDiscoveryChk", "MqttCommandsChk"};
  QWidget* at = window->findChild<QWidget*>("RigPortBox");
  for (const QString& name : streamOrder + order) {
    do at = at->nextInFocusChain();
    while (!(at->focusPolicy() & Qt::TabFocus) || at->focusProxy() || !at->isVisible() ||
           qobject_cast<QAbstractSpinBox*>(at->parentWidget()) || qobject_cast<QComboBox*>(at->parentWidget()));
    EXPECT_EQ(at->objectName(), name);
  }

  QMap<QChar, int> uses;
  QList<QPair<QChar, QString>> mine;
  QWidget* part = window->findChild<QWidget*>("MqttPart");
  for (QWidget* w : window->findChildren<QWidget*>()) {
    QString caption;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) caption = b->text();
    if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) caption = l->text();
    if (caption.isEmpty()) continue;
    QWidget* named = qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->buddy() : w;
    const QString plain = QString(caption).remove('&').remove(QRegularExpression(":$"));
    EXPECT_TRUE(named->accessibleName().isEmpty() || named->accessibleName().startsWith(plain))
        << named->accessibleName().toStdString() << " lacks " << plain.toStdString();
    const auto at = QRegularExpression("&(\\w)").match(caption);
    if (!at.hasMatch()) continue;
    const QChar key = at.captured(1).toLower().at(0);
    ++uses[key];
    if (part->isAncestorOf(w)) mine.append({key, caption});
  }
  EXPECT_EQ(mine.size(), order.size());
  for (auto use = uses.begin(); use != uses.end(); ++use)
    EXPECT_EQ(use.value(), 1) << "Alt+" << QString(use.key()).toStdString() << " leads to more than one control";

  auto* status = window->findChild<QLabel*>("MqttStatusLbl");
  EXPECT_EQ(status->text(), "MQTT: off");
  QTcpServer probe;  // a port nobody listens on: the client keeps trying
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
  const quint16 closed = probe.serverPort();
  probe.close();
  window->findChild<QCheckBox*>("MqttChk")->setChecked(true);
  window->findChild<QSpinBox*>("MqttPortBox")->setValue(closed);
  window->findChild<QLineEdit*>("MqttPrefixBox")->setText("bad/+/prefix");
  window->findChild<QPushButton*>("ApplyCmd")->click();
  for (int i = 0; i < 10; ++i) s.tick();
  const std::string path = s.folder.file("mqtt.ini");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const std::string ini = scandeck::testing::Slurp(path);
  EXPECT_NE(ini.find("mqtt=1\n"), std::string::npos);
  EXPECT_NE(ini.find(QString("mqtt_port=%1\n").arg(closed).toStdString()), std::string::npos);
  EXPECT_NE(ini.find("\nmqtt_commands=0\n"), std::string::npos);
  EXPECT_EQ(ini.find("bad/+"), std::string::npos) << "a wildcard prefix is replaced by the default";
  EXPECT_TRUE(status->text().startsWith("MQTT: connecting to 127.0.0.1:")) << status->text().toStdString();

  window->findChild<QCheckBox*>("MqttChk")->setChecked(false);
  window->findChild<QPushButton*>("ApplyCmd")->click();
  EXPECT_EQ(status->text(), "MQTT: off");
  EXPECT_NE(scandeck::testing::Slurp(path).find("mqtt=0\n"), std::string::npos);
}

// The stream's part: Apply writes its keys for the owner alone, the capture runs for
// the stream with record=0 and stops with it, the admin titles for the same mount
// give way to the stream's, and a server nobody answers is told in the status line.
TEST(StreamPart, ApplyWritesItsKeysAndTheStreamTakesTheCapture) {
  Session s(OnChannel(2));
  s.window->findChild<QAction*>("IntegrationsMnu")->trigger();
  auto* window = s.window->findChild<QWidget*>("Integrations");
  ASSERT_TRUE(window && window->isVisible());
  QTcpServer probe;  // a port nobody listens on
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
  const quint16 closed = probe.serverPort();
  probe.close();
  auto* status = window->findChild<QLabel*>("StatusLbl");
  for (const bool on : {true, false}) {
    window->findChild<QCheckBox*>("StreamChk")->setChecked(on);
    window->findChild<QSpinBox*>("StreamPortBox")->setValue(closed);
    window->findChild<QLineEdit*>("StreamMountBox")->setText("live");
    window->findChild<QComboBox*>("StreamFormatBox")->setCurrentIndex(1);
    window->findChild<QComboBox*>("StreamBitrateBox")->setCurrentText("24 kb/s");
    window->findChild<QCheckBox*>("IcecastChk")->setChecked(true);
    window->findChild<QSpinBox*>("IcecastPortBox")->setValue(closed);
    window->findChild<QLineEdit*>("IcecastMountBox")->setText("/live");
    window->findChild<QPushButton*>("ApplyCmd")->click();
    for (int i = 0; i < 10; ++i) s.tick();
    const std::string path = s.folder.file("integrations.ini");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string ini = scandeck::testing::Slurp(path);
    for (const char* line : {"\nstream_mount=/live\n", "\nstream_format=opus\n", "\nstream_bitrate=24\n"})
      EXPECT_NE(ini.find(line), std::string::npos) << line << ini;
    EXPECT_NE(ini.find(on ? "\nstream=1\n" : "\nstream=0\n"), std::string::npos) << ini;
    EXPECT_EQ(s.window->recording().capture() != nullptr, on) << "the capture runs for the stream alone";
    EXPECT_EQ(status->text().contains("the titles go with the stream on the same mount"), on)
        << status->text().toStdString();
    // Without a sound server here the stream waits for its input; with one, it tries the port.
    if (on)
      EXPECT_TRUE(QTest::qWaitFor([&] {
        s.tick();
        return status->text().contains("Stream: waiting for the sound input") ||
               status->text().contains("Stream: cannot reach 127.0.0.1:");
      }, 10000)) << status->text().toStdString();
    else
      EXPECT_FALSE(status->text().contains("Stream:")) << status->text().toStdString();
  }
  EXPECT_TRUE(s.desktop.events.empty()) << "no message box";
}
