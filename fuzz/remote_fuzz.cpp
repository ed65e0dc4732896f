// What a browser or a hand-edited file hands the remote page's rules: key names,
// Host, Origin and Cookie headers, form bodies and remote.ini. Nothing crashes, only
// the window's keys have names, and what is written back reads the same.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "remote/core/remote_api.h"
#include "remote/core/remote_guard.h"
#include "remote/core/remote_settings.h"

using namespace scandeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  static const std::vector<std::string> captions{"SCAN", "MANUAL", "TRUNK", "HOLD", "FUNC", "SVC", "SRCH"};

  if (const auto key = KeyFromName(text, captions)) {
    const auto names = KeyNames(captions);
    FUZZ_CHECK(std::find(names.begin(), names.end(), text) != names.end());
    FUZZ_CHECK(key->index >= 0 && key->index <= 10);
  }

  const RemoteSettings settings = ReadRemoteText(text);
  FUZZ_CHECK(ReadRemoteText(RemoteText(settings)) == settings);
  FUZZ_CHECK(RemoteText(ReadRemoteText(RemoteText(settings))) == RemoteText(settings));
  if (ServeStateOf(settings) == ServeState::Serve && !IsLoopbackAddress(settings.address))
    FUZZ_CHECK(!settings.passwordHash.empty());
  if (ControlAllowed(settings)) FUZZ_CHECK(IsLoopbackAddress(settings.address) || !settings.passwordHash.empty());

  const auto half = text.size() / 2;
  const std::string first = text.substr(0, half), second = text.substr(half);
  const auto names = HostNames(first, {second});
  if (HostAllowed(second, names, 8245)) FUZZ_CHECK(second.find(":8245") != std::string::npos);
  if (!first.empty() && OriginAllowed(first, second)) FUZZ_CHECK(first.size() == second.size() + 7);
  (void)CookieValue(text, kSessionCookie);
  if (const auto value = FormValue(text, "password")) FUZZ_CHECK(value->size() <= text.size());
  return 0;
}
