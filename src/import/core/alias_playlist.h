#pragma once
// Alias playlists in XML: <alias name=".." group=".."><id type="talkgroup" value=".."/>.
#include <string_view>

#include "import/core/list_format.h"

namespace scandeck {

// Talkgroup aliases of a playlist; aliases without a talkgroup ID are skipped with
// their line. Only the few constructs playlists use are understood (no DTD, no
// CDATA); the five named entities and numeric references are decoded.
void ReadAliasPlaylist(std::string_view bytes, ListInfo& info, ListSink& sink);

}  // namespace scandeck
