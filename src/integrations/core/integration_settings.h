#pragma once
// integrations.ini beside scandeck.ini: the now-playing template and what is told
// to other programs, and the stream ScanDeck sends itself. Everything is off until the user switches it on, and the rig
// port listens on this computer only unless the user names another address.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/failure.h"
#include "integrations/core/now_playing.h"
#include "stream/core/stream_options.h"

namespace scandeck {

inline constexpr const char* kIntegrationsFileName = "integrations.ini";
inline constexpr int kMaxTitleDelaySeconds = 60;

struct IntegrationSettings {
  NowPlayingTemplate text;

  bool icecast = false;
  std::string icecastHost = "127.0.0.1";
  std::uint16_t icecastPort = 8000;
  std::string icecastMount = "/stream";
  std::string icecastUser = "source";
  std::string icecastPassword;
  int icecastDelaySeconds = 0;

  bool overlay = false;
  std::string overlayFile;

  bool rig = false;
  std::string rigAddress = "127.0.0.1";
  std::uint16_t rigPort = 4532;

  // ScanDeck as the Icecast source itself (the stream_* keys).
  StreamOptions stream;

  bool operator==(const IntegrationSettings&) const = default;
};

// A value that does not read as its kind keeps its default, so a damaged file
// gives a working, switched-off set rather than half of one.
IntegrationSettings ReadIntegrationText(std::string_view text);
// A missing or unreadable file gives the defaults.
IntegrationSettings ReadIntegrationFile(const std::string& path);

std::string IntegrationText(const IntegrationSettings& settings);
// Readable by its owner only, since it may hold the server's password.
Failure WriteIntegrationFile(const std::string& path, const IntegrationSettings& settings);

}  // namespace scandeck
