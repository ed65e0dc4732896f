#pragma once
// Whole-file writes that never leave a half-written file behind: a crash or a full
// disk leaves either the old file or the new one.
#include <string>
#include <string_view>

#include "common/core/failure.h"

namespace scandeck {

// Writes `text` to `path`.tmp, flushes it to disk and renames it over `path`.
Failure WriteFileSafely(const std::string& path, std::string_view text);

}  // namespace scandeck
