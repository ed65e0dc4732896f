// The cable pulled and plugged back, on pseudo-terminals: the program reports the
// loss once, tries the same comN again on its own, and when a line is there once
// more it polls it, asks for the scanner's state as at start-up and says so.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "sim/core/sim_fixture.h"
#include "support/pty_scanner.h"
#include "support/pty_session.h"
#include "support/wait_until.h"

using namespace scandeck;
using scandeck::testing::WaitUntil;

namespace {

int OpenDescriptors() { return static_cast<int>(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size()); }

bool Heard(const sim::PtyScanner& scanner, const char* line) {
  const auto log = scanner.log();
  return std::find(log.begin(), log.end(), line) != log.end();
}

}  // namespace

TEST(Replug, ThePulledPortComesBackOnItsOwnAndSaysSo) {
  QTemporaryDir folder;
  std::optional<sim::PtyScanner> scanner(std::in_place, folder.path(), sim::QuietOptions(3));
  if (!scanner->ok()) GTEST_SKIP() << "no pseudo-terminal here: " << scanner->error();
  scandeck::testing::PtySession s(folder.path());
  ASSERT_TRUE(WaitUntil([&] { return Heard(*scanner, "> MD"); }, 3000)) << "the poll never reached the first line";

  scanner.reset();  // pulled
  ASSERT_TRUE(WaitUntil([&] { return !s.core.port().isOpen(); }, 3000)) << "the hang-up closes the port";
  scanner.emplace(folder.path(), sim::QuietOptions(4));  // plugged back, as a new line behind com1
  ASSERT_TRUE(scanner->ok()) << scanner->error();
  EXPECT_TRUE(WaitUntil([&] { return Heard(*scanner, "> MD") && Heard(*scanner, "> SB"); }, 3000))
      << "the new line gets the poll and the start-up queries within 3 s";
  EXPECT_EQ(s.main.windowTitle(), "ScanDeck - Scanner connected again");
  const long reports = std::count_if(s.desktop.events.begin(), s.desktop.events.end(),
                                     [](const std::string& e) { return e.starts_with("report: "); });
  EXPECT_EQ(reports, 1) << "the loss is reported once, the return not as a message";

  // Twenty more pulls and replugs, faster, leak no descriptor.
  s.core.recovery().setInterval(std::chrono::milliseconds{100});
  const int before = OpenDescriptors();
  for (int i = 0; i < 20; ++i) {
    scanner.reset();
    ASSERT_TRUE(WaitUntil([&] { return !s.core.port().isOpen(); }, 2000)) << i;
    scanner.emplace(folder.path(), sim::QuietOptions(5 + i));
    ASSERT_TRUE(WaitUntil([&] { return Heard(*scanner, "> MD"); }, 3000)) << "replug " << i;
  }
  EXPECT_EQ(OpenDescriptors(), before);
}
