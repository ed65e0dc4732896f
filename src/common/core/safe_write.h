#pragma once
// Whole files written so that a reader, or a crash, never meets half of one.
#include <string>
#include <string_view>

#include "common/core/failure.h"

namespace scandeck {

// The whole of `text` in place of `path` in one step (temporary file, flushed,
// renamed over), so a reader finds the old text or the new, never a part.
// `owner_only`: readable by its owner alone, for files that may hold a password.
Failure WriteFileAtomically(const std::string& path, std::string_view text, bool owner_only = false);

}  // namespace scandeck
