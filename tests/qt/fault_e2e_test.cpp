// What a cable, a scanner at the wrong speed and a full disk do to the running
// program: the main window on a real serial port, a pseudo-terminal linked as com1.
#include <QAction>
#include <QComboBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "directory/qt/freq_dir_window.h"
#include "link/qt/qt_serial_port.h"
#include "sim/core/sim_fixture.h"
#include "support/pty_pair.h"
#include "support/pty_session.h"
#include "support/pty_scanner.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "ui/qt/main_window.h"

using namespace scandeck;
using scandeck::testing::WaitUntil;
namespace fs = std::filesystem;

namespace {

struct Session : scandeck::testing::PtySession {
  using PtySession::PtySession;
  // Reports of link failures: the ones a pulled cable must raise once only.
  int linkReports() const {
    return static_cast<int>(std::count_if(desktop.events.begin(), desktop.events.end(), [](const std::string& e) {
      return e.starts_with("report: ") && e.find("Error") != std::string::npos;
    }));
  }
};

// A device on com1 that sends nothing but bytes without a carriage return, as a
// scanner set to another speed looks to the program; never blocking, so a program
// slower than the flood cannot hang the writer.
struct GarbagePty : scandeck::testing::PtyPair {
  explicit GarbagePty(const QString& folder) {
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ok = !name.empty() && ::symlink(name.c_str(), (folder.toStdString() + "/com1").c_str()) == 0;
  }
  ~GarbagePty() { stop(); }
  void start() {
    thread = std::thread([this] {
      std::string chunk(4096, '\0');
      for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 37 % 251 == '\r' ? 0xFF : i * 37 % 251);
      for (; !stopped; std::this_thread::sleep_for(std::chrono::milliseconds{2}))
        if (::write(master, chunk.data(), chunk.size()) > 0) sent += chunk.size();
    });
  }
  void stop() {
    stopped = true;
    if (thread.joinable()) thread.join();
  }
  bool ok = false;
  std::atomic<bool> stopped{false};
  std::atomic<std::size_t> sent{0};
  std::thread thread;
};

}  // namespace

TEST(CablePulled, MidRunIsReportedOnceAndTheProgramGoesOn) {
  QTemporaryDir folder;
  std::optional<sim::PtyScanner> scanner(std::in_place, folder.path(), sim::QuietOptions(3));
  if (!scanner->ok()) GTEST_SKIP() << "no pseudo-terminal here: " << scanner->error();
  Session s(folder.path());
  ASSERT_TRUE(WaitUntil([&] { return !s.core.status().ModeText.empty(); }, 3000)) << "the poll never got an answer";

  scanner.reset();  // the far end goes away: the port sees a hang-up
  QTest::qWait(1500);  // thirty ticks of the poll
  EXPECT_EQ(s.linkReports(), 1);
  s.core.link().Send("KEY00");  // a click on the dead port says nothing more
  QTest::qWait(300);
  EXPECT_EQ(s.linkReports(), 1);
  EXPECT_TRUE(s.main.mainTimer().isActive());  // still ticking
  EXPECT_TRUE(s.core.poll().enabled());
}

TEST(CablePulled, DuringADirectoryReadEndsTheReadAndGivesThePollBack) {
  QTemporaryDir folder;
  std::optional<sim::PtyScanner> scanner(std::in_place, folder.path(), sim::QuietOptions(4));
  if (!scanner->ok()) GTEST_SKIP() << "no pseudo-terminal here: " << scanner->error();
  Session s(folder.path());
  ASSERT_TRUE(WaitUntil([&] { return !s.core.status().ModeText.empty(); }, 3000));

  s.main.findChild<QAction*>("EditMemories")->trigger();
  FreqDir* freq = s.main.findChild<FreqDir*>("FreqDir");
  ASSERT_NE(freq, nullptr);
  freq->findChild<QRadioButton*>("Option1")->setChecked(true);
  freq->findChild<QComboBox*>("BankCmb")->setCurrentText("2");
  freq->BankCmb_Click();
  ASSERT_TRUE(freq->core().reading());
  QTest::qWait(300);
  scanner.reset();

  ASSERT_TRUE(WaitUntil([&] { return !freq->core().reading(); }, 12000)) << "the read never ended";
  EXPECT_TRUE(s.core.poll().enabled());
  EXPECT_EQ(s.linkReports(), 1);
  // The link is free again: another read starts (and ends) without "another window is reading".
  freq->BankCmb_Click();
  EXPECT_TRUE(WaitUntil([&] { return !freq->core().reading(); }, 12000));
  for (const auto& e : s.desktop.events) EXPECT_EQ(e.find(kLinkBusyText), std::string::npos) << e;
  freq->close();
}

TEST(WrongSpeed, GarbageLeavesTheDisplayAloneAndTheBufferBounded) {
  QTemporaryDir folder;
  GarbagePty device(folder.path());
  if (!device.ok) GTEST_SKIP() << "no pseudo-terminal here";
  Session s(folder.path());
  ASSERT_TRUE(s.core.port().isOpen());
  const ScannerStatus before = s.core.status();
  const CompactView compact_before = s.core.compact();

  device.start();
  std::size_t most = 0;
  for (int i = 0; i < 75; ++i) {  // 1.5 s of ticks
    QTest::qWait(20);
    most = std::max(most, s.core.link().receive().buffer().size());
  }
  device.stop();
  EXPECT_GT(device.sent, 2 * ReceivePath::kBufferLimit) << "the flood must outrun the buffer's limit";
  EXPECT_LE(most, ReceivePath::kBufferLimit);
  EXPECT_TRUE(s.core.status() == before);
  EXPECT_TRUE(s.core.compact() == compact_before);
  EXPECT_TRUE(s.core.link().receive().pane().empty());
  EXPECT_EQ(s.linkReports(), 0);
}

TEST(ShutDown, AFullOrUnwritableFolderLeavesTheOldSettingsWhole) {
  // As root a read-only folder is still written, so the two faults are made by what
  // stands where the new file is written first: the disk-full device, or a folder.
  const struct {
    const char* fault;
    std::function<void(const fs::path&)> make;
  } cases[] = {
      {"disk full", [](const fs::path& tmp) { fs::create_symlink("/dev/full", tmp); }},
      {"cannot create", [](const fs::path& tmp) { fs::create_directories(tmp / "inner"); }},
  };
  for (const auto& c : cases) {
    QTemporaryDir folder;
    sim::PtyScanner scanner(folder.path(), sim::QuietOptions(5));
    if (!scanner.ok()) GTEST_SKIP() << "no pseudo-terminal here: " << scanner.error();
    const std::string old_ini = "[UserName]=Old\r\n[comm port]=1\r\n[WindowWidth]=9000\r\n";
    std::ofstream(folder.filePath("scandeck.ini").toStdString(), std::ios::binary) << old_ini;
    {
      Session s(folder.path());
      ASSERT_TRUE(s.core.port().isOpen()) << c.fault;
      s.core.setUserName("New");
      c.make(folder.filePath("scandeck.ini.tmp").toStdString());
      s.main.close();
      const auto saving = std::find_if(s.desktop.events.begin(), s.desktop.events.end(),
                                       [](const std::string& e) { return e.find("Saving Config Error") != std::string::npos; });
      EXPECT_NE(saving, s.desktop.events.end()) << c.fault << ": the failed save is not said";
    }
    EXPECT_EQ(scandeck::testing::Slurp(folder.filePath("scandeck.ini").toStdString()), old_ini) << c.fault;
  }
}
