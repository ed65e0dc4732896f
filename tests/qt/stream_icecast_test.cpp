// The stream on real parts (tests/stream/run.sh): the capture library reading a
// PulseAudio input that tones are played into, the stream library sending to an
// icecast2 of the test's own, and a listener (curl asking for ICY metadata) whose
// audio ffmpeg decodes. Each call's tone must be carried, its title placed within a
// second of the tone, accents and & # intact; a restarted server taken back within
// the back-off; a wrong password said once and not tried faster than the back-off.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "audio/qt/capture_session.h"
#include "stream/qt/stream_library.h"
#include "support/temp_dir.h"

using namespace scandeck;
using scandeck::testing::Slurp;
using scandeck::testing::TempDir;

namespace {

constexpr int kRate = 16000;
constexpr const char* kIdle = "Scanning...";

QString Env(const char* name) { return qEnvironmentVariable(name); }

std::string ToneFile(const TempDir& dir, double hz, double seconds) {
  std::string bytes;
  for (int i = 0; i < static_cast<int>(seconds * kRate); ++i) {
    const auto s = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * i / kRate));
    bytes.append(reinterpret_cast<const char*>(&s), 2);
  }
  const std::string path = dir.file("tone-" + std::to_string(static_cast<int>(hz)) + ".raw");
  scandeck::testing::Spit(path, bytes);
  return path;
}

std::unique_ptr<QProcess> Play(const std::string& raw) {
  auto play = std::make_unique<QProcess>();
  play->start("paplay", {"--raw", "--format=s16le", QString("--rate=%1").arg(kRate), "--channels=1", "--device=cable",
                         QString::fromStdString(raw)});
  return play;
}

double Power(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to, double hz) {
  const double k = 2 * std::cos(2 * M_PI * hz / kRate);
  double a = 0, b = 0;
  for (std::size_t i = from; i < to && i < s.size(); ++i) {
    const double c = s[i] + k * a - b;
    b = a;
    a = c;
  }
  return a * a + b * b - k * a * b;
}

// Seconds into the decoded audio where `hz` first dominates a 50 ms window.
std::optional<double> Onset(const std::vector<std::int16_t>& s, double hz, double other) {
  constexpr std::size_t kWindow = kRate / 20;
  for (std::size_t at = 0; at + kWindow <= s.size(); at += kWindow / 2) {
    const double p = Power(s, at, at + kWindow, hz);
    if (p > 1e13 && p > 20 * Power(s, at, at + kWindow, other)) return double(at) / kRate;
  }
  return std::nullopt;
}

// A listener reading the mount as it comes, with when each byte arrived.
struct Listener {
  QTcpSocket socket;
  std::string head, body;
  std::vector<std::pair<qint64, std::size_t>> arrivals;  // (ms on the test's clock, body bytes so far)
  void start(const QString& port, const char* mount, const QElapsedTimer& clock) {
    QObject::connect(&socket, &QTcpSocket::readyRead, [this, &clock] {
      const QByteArray got = socket.readAll();
      std::string& to = head.find("\r\n\r\n") == std::string::npos ? head : body;
      to.append(got.constData(), static_cast<std::size_t>(got.size()));
      if (&to == &head && head.find("\r\n\r\n") != std::string::npos) {
        body = head.substr(head.find("\r\n\r\n") + 4);
        head.resize(head.find("\r\n\r\n") + 4);
      }
      arrivals.emplace_back(clock.elapsed(), body.size());
    });
    socket.connectToHost("127.0.0.1", static_cast<quint16>(port.toUInt()));
    socket.write(QString("GET %1 HTTP/1.0\r\nIcy-MetaData: 1\r\n\r\n").arg(mount).toLatin1());
  }
  // When the body held `offset` bytes.
  qint64 arrival(std::size_t offset) const {
    for (const auto& [ms, size] : arrivals)
      if (size > offset) return ms;
    return -1;
  }
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

// A listener's stream split into its audio bytes and the titles with the audio
// offset they arrived at.
struct IcyStream {
  std::string audio;
  std::vector<std::pair<std::size_t, std::string>> titles;
};

IcyStream ParseIcy(const std::string& headers, const std::string& body) {
  IcyStream out;
  const auto at = QString::fromStdString(headers).toLower().indexOf("icy-metaint:");
  EXPECT_GE(at, 0) << headers;
  if (at < 0) return out;
  const std::size_t interval = QString::fromStdString(headers).mid(at + 12).section('\r', 0, 0).trimmed().toULong();
  EXPECT_GT(interval, 0u);
  std::size_t pos = 0;
  while (pos < body.size()) {
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

std::vector<std::int16_t> Decode(const TempDir& dir, const std::string& encoded) {
  const std::string path = dir.file("listened");
  scandeck::testing::Spit(path, encoded);
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(path), "-f", "s16le", "-ac", "1", "-ar",
                          QString::number(kRate), "-"});
  EXPECT_TRUE(ffmpeg.waitForFinished(60000));
  const QByteArray out = ffmpeg.readAllStandardOutput();
  std::vector<std::int16_t> samples(static_cast<std::size_t>(out.size()) / 2);
  std::memcpy(samples.data(), out.constData(), samples.size() * 2);
  return samples;
}

bool MountUp(const QString& port, const char* mount) {
  QProcess curl;
  curl.start("curl", {"-s", QString("http://127.0.0.1:%1/status-json.xsl").arg(port)});
  curl.waitForFinished(5000);
  return curl.readAllStandardOutput().contains(mount);
}

StreamOptions Options(const char* mount, const QString& password) {
  StreamOptions o;
  o.enabled = true;
  o.port = static_cast<std::uint16_t>(Env("SCANDECK_ICECAST_PORT").toUInt());
  o.mount = mount;
  o.password = password.toStdString();
  o.bitrate = 32;
  o.name = "ScanDeck test";
  return o;
}

// The capture feeding a sender, and what the test learns from its blocks.
struct Rig {
  std::unique_ptr<CaptureSession> capture;
  std::atomic<bool> loud{false};
  void start(const TempDir& dir, std::shared_ptr<StreamSender> sender) {
    RecordingSettings settings;  // record=0: the stream alone
    QString why;
    capture = MakeCaptureSession(settings, dir.path.string(), &why);
    ASSERT_TRUE(capture) << why.toStdString();
    capture->setTap([this, sender](const std::int16_t* s, std::size_t n, std::uint64_t first, int rate) {
      std::int16_t peak = 0;
      for (std::size_t i = 0; i < n; ++i) peak = std::max<std::int16_t>(peak, static_cast<std::int16_t>(std::abs(s[i])));
      loud = peak > 6000;
      sender->audio(s, n, first, rate);
    });
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
    QString why;
    StreamOptions options = Options(mount, Env("SCANDECK_ICECAST_PASSWORD"));
    options.format = format;
    std::shared_ptr<StreamSender> sender = MakeStreamSender(options, &why);
    ASSERT_TRUE(sender) << why.toStdString();
    Rig rig;
    rig.start(dir, sender);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sender->status().find("sending") != std::string::npos; }, 20000))
        << sender->status();
    sender->title(rig.capture->position(), kIdle, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return MountUp(port, mount); }, 10000));

    QElapsedTimer clock;
    clock.start();
    Listener listener;
    listener.start(port, mount, clock);
    QTest::qWait(2000);
    const qint64 connected = listener.arrivals.empty() ? -1 : listener.arrivals.front().first;
    std::vector<qint64> heard_at;  // when the capture first gave each tone
    for (const Call& call : calls) {
      std::unique_ptr<QProcess> play = Play(ToneFile(dir, call.hz, 2.5));
      // Titled when the test hears the tone, as the poll reports a call after the speaker.
      ASSERT_TRUE(QTest::qWaitFor([&] { return rig.loud.load(); }, 20000)) << call.hz;
      heard_at.push_back(clock.elapsed());
      sender->title(rig.capture->position(), call.title, true);
      // Waited for with the events running: the listener's arrivals are timed as they come.
      EXPECT_TRUE(QTest::qWaitFor([&] { return play->state() == QProcess::NotRunning; }, 20000));
      ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.loud.load(); }, 20000));
      sender->title(rig.capture->position(), kIdle, false);
      QTest::qWait(2500);
    }

    if (mp3) {
      // The server restarted mid-stream: the loss told once, the source back within the back-off.
      std::vector<std::string> lines = {sender->status()};
      QFile(Env("SCANDECK_ICECAST_RESTART")).open(QIODevice::WriteOnly);
      QElapsedTimer since;
      since.start();
      const auto seen = [&] {
        if (sender->status() != lines.back()) lines.push_back(sender->status());
        return lines.back().find("connected again") != std::string::npos && MountUp(port, mount);
      };
      ASSERT_TRUE(QTest::qWaitFor(seen, 60000)) << lines.back();
      // Down about a second: the first try after 2 s may find it still starting, the next is 4 s later.
      EXPECT_LT(since.elapsed(), 1000 + 2000 + 4000 + 3000);
      ASSERT_EQ(lines.size(), 3u) << lines.back();
      EXPECT_NE(lines[1].find("trying again"), std::string::npos) << lines[1];
      std::cout << "source back " << since.elapsed() << " ms after the restart began\n";
    }
    listener.socket.abort();

    if (!mp3) {
      // Each title a chain of its own, in UTF-8, in order; both tones decoded across the chains.
      const std::vector<std::string> titles = OggTitles(listener.body);
      std::vector<std::string> wanted = {QString(kIdle).toStdString()};
      for (const Call& call : calls) wanted.insert(wanted.end(), {QString::fromLatin1(call.title).toStdString(), kIdle});
      std::vector<std::string> got;
      for (const std::string& t : titles)
        if (got.empty() || got.back() != t) got.push_back(t);
      while (!got.empty() && got.front() != kIdle) got.erase(got.begin());  // what the burst began with
      EXPECT_EQ(got, wanted);
      const std::vector<std::int16_t> samples = Decode(dir, listener.body);
      for (std::size_t i = 0; i < calls.size(); ++i)
        EXPECT_TRUE(Onset(samples, calls[i].hz, calls[1 - i].hz)) << calls[i].hz << " Hz not carried";
      continue;
    }
    const IcyStream heard = ParseIcy(listener.head, listener.body);
    const std::vector<std::int16_t> samples = Decode(dir, heard.audio);
    ASSERT_GT(samples.size(), 10u * kRate);
    const double bytes_per_second = 32000 / 8.0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
      const Call& call = calls[i];
      const auto onset = Onset(samples, call.hz, calls[1 - i].hz);
      ASSERT_TRUE(onset) << "the tone of " << call.hz << " Hz is not in the stream";
      std::optional<double> titled;
      for (const auto& [offset, text] : heard.titles)
        // The server may hand the title on in UTF-8 or in the Latin-1 the program holds.
        if (!titled && (QString::fromUtf8(text) == QString::fromLatin1(call.title) || text == call.title))
          titled = offset / bytes_per_second;
      ASSERT_TRUE(titled) << "title not heard: " << call.title << " among " << heard.titles.size();
      // The server places a title at the first metadata point of the block of the
      // source's data that carries it, so it may lead the tone by one interval (0.5 s here).
      EXPECT_GE(*titled, *onset - 0.5) << "titled before its call";
      EXPECT_LE(*titled, *onset + 1.0) << "titled late";
      // Figures, not checks: when the tone's bytes reached the listener, and when a
      // player that began at the first byte (the server's burst) plays them.
      const auto offset = static_cast<std::size_t>(*onset * bytes_per_second * 2001 / 2000);
      std::cout << call.hz << " Hz: title at " << *titled - *onset << " s from the tone; bytes arrive "
                << listener.arrival(offset) - heard_at[i] << " ms after the capture; played "
                << connected + static_cast<qint64>(*onset * 1000) - heard_at[i] << " ms after it\n";
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
    QString why;
    Rig first;  // the other source, fed throughout
    if (c.taken) {
      std::shared_ptr<StreamSender> holder = MakeStreamSender(Options(c.mount, password), &why);
      first.start(dir, holder);
      ASSERT_TRUE(QTest::qWaitFor([&] { return MountUp(port, c.mount); }, 20000)) << holder->status();
    }
    std::shared_ptr<StreamSender> sender = MakeStreamSender(Options(c.mount, c.password), &why);
    ASSERT_TRUE(sender) << why.toStdString();
    Rig rig;
    rig.start(dir, sender);
    std::vector<std::string> lines = {sender->status()};
    QElapsedTimer since;
    since.start();
    while (since.elapsed() < 9000) {
      if (sender->status() != lines.back()) lines.push_back(sender->status());
      QTest::qWait(50);
    }
    ASSERT_EQ(lines.size(), 2u) << lines.back();
    EXPECT_NE(lines[1].find(c.said), std::string::npos) << lines[1];
    // Tries at about 0, 2 and 6 s; libshout asks twice in each (without and with the login).
    const std::string log = Slurp(QDir(Env("SCANDECK_ICECAST_LOG")).filePath("access.log").toStdString());
    std::set<std::string> seconds;
    for (const QString& line : QString::fromStdString(log).split('\n'))
      if (line.contains(QString("SOURCE ") + c.mount) && !line.contains("\" 200 ")) seconds.insert(line.section('[', 1).section(' ', 0, 0).toStdString());
    EXPECT_GE(seconds.size(), 2u) << c.mount;
    EXPECT_LE(seconds.size(), 4u) << log;
  }
}
