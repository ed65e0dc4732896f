// scandeck.ini as a truncated, foreign or hand-edited file: read into the
// program's own settings, written at shut-down, read again at the next start.
#include <cstdint>
#include <string>

#include "app/core/config.h"
#include "fuzz_check.h"
#include "support/fake_desktop.h"
#include "support/fake_port.h"
#include "ui/core/main_core.h"

using namespace scandeck;

namespace {
// A log flag without a value and a flag of 0 both mean "not set": an empty
// "[Log What]=" reads back as nine zeros.
bool SameFlags(const LogFlags& a, const LogFlags& b) {
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].value_or(0) != b[i].value_or(0)) return false;
  return true;
}

bool SameSettings(const ScanDeckConfig& a, const ScanDeckConfig& b) {
  return a.UserName == b.UserName && a.CommPort == b.CommPort && a.CommSettings == b.CommSettings &&
         a.LogFileNameVal == b.LogFileNameVal && SameFlags(a.LogFlagsVal, b.LogFlagsVal) &&
         a.WindowWidth == b.WindowWidth && a.WindowHeight == b.WindowHeight;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string folder = fuzz::ScratchFolder().string();
  scandeck::testing::FakePort port;
  scandeck::testing::FakeDesktop desktop;

  MainCore first(port, desktop, folder, '.');
  ReadConfigText(text, first);
  const ScanDeckConfig settings = first.CurrentConfig();
  const std::string written = ConfigText(settings);
  std::size_t lines = 0;
  for (std::size_t at = written.find("\r\n"); at != std::string::npos; at = written.find("\r\n", at + 2)) ++lines;
  FUZZ_CHECK(lines == 14 && written.size() >= 2 && written.compare(written.size() - 2, 2, "\r\n") == 0);

  const std::string path = folder + "/" + kConfigFileName;
  FUZZ_CHECK(!WriteConfigFile(path, settings));
  MainCore next(port, desktop, folder, '.');
  ReadConfigFile(path, next);
  FUZZ_CHECK(SameSettings(next.CurrentConfig(), settings));  // what was written reads back the same
  // From there on the file is a fixed point: writing again changes no byte.
  FUZZ_CHECK(!WriteConfigFile(path, next.CurrentConfig()));
  MainCore third(port, desktop, folder, '.');
  ReadConfigFile(path, third);
  FUZZ_CHECK(ConfigText(third.CurrentConfig()) == ConfigText(next.CurrentConfig()));
  return 0;
}
