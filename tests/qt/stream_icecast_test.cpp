// The stream on real parts (tests/stream/run.sh): the capture library reading tones
// from PulseAudio, the stream library sending to icecast2, a listener reading the
// mount back. Each tone carried, its title within a second of it, accents and & #
// intact; a restarted server taken back and refusals said once, within the back-off.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <set>
#include <vector>

#include "audio/qt/capture_session.h"
#include "stream/qt/stream_library.h"
#include "support/temp_dir.h"
#include "support/tones.h"

using namespace scandeck;
using namespace scandeck::testing;

namespace {

constexpr int kRate = kToneRate;
constexpr const char* kIdle = "Scanning...";

QString Env(const char* name) { return qEnvironmentVariable(name); }

// Seconds into the decoded audio where `hz` first dominates a 50 ms window.
std::optional<double> Onset(const std::vector<std::int16_t>& s, double hz, double other) {
  constexpr std::size_t kWindow = kRate / 20;
  for (std::size_t at = 0; at + kWindow <= s.size(); at += kWindow / 2) {
    const double p = Power(s, at, at + kWindow, hz);
    if (p > 1e13 && p > 20 * Power(s, at, at + kWindow, other)) return double(at) / kRate;
  }
  return std::nullopt;
}

// A listener of the mount asking for ICY metadata: the reply's head and body.
struct Listener {
  QTcpSocket socket;
  std::string got;
  void start(const QString& port, const char* mount) {
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] { got += socket.readAll().toStdString(); });
    socket.connectToHost("127.0.0.1", static_cast<quint16>(port.toUInt()));
    socket.write(QString("GET %1 HTTP/1.0\r\nIcy-MetaData: 1\r\n\r\n").arg(mount).toLatin1());
  }
  std::string head() const { return got.substr(0, got.find("\r\n\r\n") + 4); }
  std::string body() const { return got.substr(std::min(got.size(), got.find("\r\n\r\n") + 4)); }
};

// The titles of an Ogg stream's chains (TITLE of each OpusTags), in order, UTF-8.
std::vector<std::string> OggTitles(const std::string& body) {
  std::vector<std::string> titles;
  for (std::size_t at = body.find("OpusTags"); at != std::string::npos; at = body.find("OpusTags", at + 8)) {
    const auto tag = body.find("TITLE=", at);
    if (tag == std::string::npos || tag > at + 400) continue;
    std::uint32_t length = 0;
    std::memcpy(&length, body.data() + tag - 4, 4);
    titles.push_back(body.substr(tag + 6, length - 6));
  }
  return titles;
}

// A listener's stream: its audio bytes and each title at the audio offset it came at.
struct IcyStream {
  std::string audio;
  std::vector<std::pair<std::size_t, std::string>> titles;
};

IcyStream ParseIcy(const std::string& head, const std::string& body) {
  IcyStream out;
  const QString h = QString::fromStdString(head).toLower();
  const std::size_t interval = h.mid(h.indexOf("icy-metaint:") + 12).section('\r', 0, 0).trimmed().toULong();
  EXPECT_GT(interval, 0u) << head;
  for (std::size_t pos = 0; interval && pos < body.size();) {
    const std::size_t n = std::min(interval, body.size() - pos);
    out.audio.append(body, pos, n);
    pos += n;
    if (pos >= body.size()) break;
    const std::size_t length = static_cast<unsigned char>(body[pos]) * 16u;
    const std::string meta = body.substr(pos + 1, length);
    pos += 1 + length;
    const auto start = meta.find("StreamTitle='");
    if (start == std::string::npos) continue;
    const auto end = meta.find("';", start);
    out.titles.emplace_back(out.audio.size(), meta.substr(start + 13, end - start - 13));
  }
  return out;
}

bool MountUp(const QString& port, const char* mount) {
  QProcess curl;
  curl.start("curl", {"-s", QString("http://127.0.0.1:%1/status-json.xsl").arg(port)});
  curl.waitForFinished(5000);
  return curl.readAllStandardOutput().contains(mount);
}

StreamOptions Options(const char* mount, const QString& password, StreamFormat format = StreamFormat::Mp3) {
  StreamOptions o;
  o.enabled = true;
  o.port = static_cast<std::uint16_t>(Env("SCANDECK_ICECAST_PORT").toUInt());
  o.mount = mount;
  o.password = password.toStdString();
  o.format = format;
  o.bitrate = 32;
  o.name = "ScanDeck test";
  return o;
}

// A sender fed by the capture (record=0: the stream alone); its status lines as they changed.
struct Rig {
  std::shared_ptr<StreamSender> sender;
  std::atomic<bool> loud{false};
  std::unique_ptr<CaptureSession> capture;
  std::vector<std::string> lines;
  void start(const TempDir& dir, const StreamOptions& options) {
    QString why;
    sender = MakeStreamSender(options, &why);
    ASSERT_TRUE(sender) << why.toStdString();
    capture = MakeCaptureSession(RecordingSettings{}, dir.path.string(), &why);
    ASSERT_TRUE(capture) << why.toStdString();
    capture->setTap([this](const std::int16_t* s, std::size_t n, std::uint64_t first, int rate) {
      loud = std::any_of(s, s + n, [](std::int16_t x) { return std::abs(x) > 6000; });
      sender->audio(s, n, first, rate);
    });
    lines = {sender->status()};
  }
  const std::string& status() {
    if (sender->status() != lines.back()) lines.push_back(sender->status());
    return lines.back();
  }
};

}  // namespace

TEST(StreamOnIcecast, TitlesInStepWithEachCallsToneAndARestartedServerTakenBack) {
  const QString port = Env("SCANDECK_ICECAST_PORT");
  if (port.isEmpty() || Env("SCANDECK_TEST_PULSE").isEmpty()) GTEST_SKIP() << "needs tests/stream/run.sh";
  struct Call {
    double hz;
    std::string title;  // Latin-1, as the program's titles are
  };
  const std::vector<Call> calls = {{700, "Fire Dispatch \xE9 & #1"}, {1300, "Pol\xEDtica #2 & Caf\xE9"}};
  for (const StreamFormat format : {StreamFormat::Mp3, StreamFormat::Opus}) {
    const bool mp3 = format == StreamFormat::Mp3;
    const char* mount = mp3 ? "/scanner.mp3" : "/scanner.opus";
    TempDir dir;
    Rig rig;
    rig.start(dir, Options(mount, Env("SCANDECK_ICECAST_PASSWORD"), format));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.status().find("sending") != std::string::npos; }, 20000)) << rig.status();
    rig.sender->title(rig.capture->position(), kIdle, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return MountUp(port, mount); }, 10000));
    Listener listener;
    listener.start(port, mount);
    QTest::qWait(2000);
    for (const Call& call : calls) {
      const auto play = PlayTone(dir, call.hz, 2.5);
      // Titled when the test hears the tone, as the poll reports a call after the speaker.
      ASSERT_TRUE(QTest::qWaitFor([&] { return rig.loud.load(); }, 20000)) << call.hz;
      rig.sender->title(rig.capture->position(), call.title, true);
      EXPECT_TRUE(QTest::qWaitFor([&] { return play->state() == QProcess::NotRunning; }, 20000));
      ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.loud.load(); }, 20000));
      rig.sender->title(rig.capture->position(), kIdle, false);
      QTest::qWait(2500);
    }
    if (mp3) {
      // The server restarted mid-stream: the loss told once, the source back within the back-off.
      rig.lines = {rig.status()};
      QFile(Env("SCANDECK_ICECAST_RESTART")).open(QIODevice::WriteOnly);
      QElapsedTimer since;
      since.start();
      ASSERT_TRUE(QTest::qWaitFor([&] { return rig.status().find("connected again") != std::string::npos && MountUp(port, mount); }, 60000))
          << rig.status();
      // Down about a second: the first try after 2 s may find it still starting, the next is 4 s later.
      EXPECT_LT(since.elapsed(), 1000 + 2000 + 4000 + 3000);
      ASSERT_EQ(rig.lines.size(), 3u) << rig.status();
      EXPECT_NE(rig.lines[1].find("trying again"), std::string::npos) << rig.lines[1];
    }
    listener.socket.abort();
    const IcyStream heard = mp3 ? ParseIcy(listener.head(), listener.body()) : IcyStream{listener.body(), {}};
    Spit(dir.file("listened"), heard.audio);
    const std::vector<std::int16_t> samples = Decoded(dir.file("listened"));
    ASSERT_GT(samples.size(), 10u * kRate);
    std::vector<std::string> chains;  // Ogg: each title a chain of its own, in UTF-8, in order
    for (const std::string& t : OggTitles(heard.audio))
      if (chains.empty() || chains.back() != t) chains.push_back(t);
    while (!chains.empty() && chains.front() != kIdle) chains.erase(chains.begin());  // what the burst began with
    std::vector<std::string> wanted = {kIdle};
    for (const Call& call : calls) wanted.insert(wanted.end(), {QString::fromLatin1(call.title).toStdString(), kIdle});
    if (!mp3) {
      EXPECT_EQ(chains, wanted);
    }
    for (std::size_t i = 0; i < calls.size(); ++i) {
      const auto onset = Onset(samples, calls[i].hz, calls[1 - i].hz);
      ASSERT_TRUE(onset) << "the tone of " << calls[i].hz << " Hz is not in the stream";
      if (!mp3) continue;
      std::optional<double> titled;  // the server may hand the title on in UTF-8 or in Latin-1
      for (const auto& [offset, text] : heard.titles)
        if (!titled && (text == wanted[2 * i + 1] || text == calls[i].title)) titled = offset / (32000 / 8.0);
      ASSERT_TRUE(titled) << "title not heard: " << calls[i].title << " among " << heard.titles.size();
      // The server places a title at the first metadata point of the block of the
      // source's data that carries it, so it may lead the tone by one interval (0.5 s here).
      EXPECT_GE(*titled, *onset - 0.5) << "titled before its call";
      EXPECT_LE(*titled, *onset + 1.0) << "titled late";
    }
  }
}

// A refusal is said once, plainly, and tried no faster than the back-off.
TEST(StreamOnIcecast, ARefusalIsSaidOnceAndTriedNoFasterThanTheBackOff) {
  const QString port = Env("SCANDECK_ICECAST_PORT");
  if (port.isEmpty() || Env("SCANDECK_TEST_PULSE").isEmpty()) GTEST_SKIP() << "needs tests/stream/run.sh";
  const QString password = Env("SCANDECK_ICECAST_PASSWORD");
  struct Case {
    const char* mount;
    QString password;
    bool taken;  // another source holds the mount
    const char* said;
  };
  const Case cases[] = {{"/wrong.mp3", "not-the-password", false, "refused the user name or password"},
                        {"/busy.mp3", password, true, "is in use by another source"}};
  for (const Case& c : cases) {
    TempDir dir;
    Rig holder, rig;  // the holder is fed throughout
    if (c.taken) {
      holder.start(dir, Options(c.mount, password));
      ASSERT_TRUE(QTest::qWaitFor([&] { return MountUp(port, c.mount); }, 20000)) << holder.status();
    }
    rig.start(dir, Options(c.mount, c.password));
    QElapsedTimer since;
    since.start();
    while (since.elapsed() < 9000) {
      rig.status();
      QTest::qWait(50);
    }
    ASSERT_EQ(rig.lines.size(), 2u) << rig.status();
    EXPECT_NE(rig.lines[1].find(c.said), std::string::npos) << rig.lines[1];
    // Tries at about 0, 2 and 6 s; libshout asks twice in each (without and with the login).
    const std::string log = Slurp(QDir(Env("SCANDECK_ICECAST_LOG")).filePath("access.log").toStdString());
    std::set<std::string> seconds;
    for (const QString& line : QString::fromStdString(log).split('\n'))
      if (line.contains(QString("SOURCE ") + c.mount) && !line.contains("\" 200 "))
        seconds.insert(line.section('[', 1).section(' ', 0, 0).toStdString());
    EXPECT_GE(seconds.size(), 2u) << c.mount;
    EXPECT_LE(seconds.size(), 4u) << log;
  }
}
