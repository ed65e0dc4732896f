#include "directory/core/entry_text.h"

#include <cmath>

#include "common/core/text.h"

namespace scandeck {

int ListValue(std::string_view text) {
  const double v = NumericValue(text);
  if (!std::isfinite(v) || v > 1e6 || v < -1e6) return -1;
  return static_cast<int>(std::lround(v));
}

std::string RecordText(std::string_view text, std::size_t width) { return std::string(TrimBlanks(text).substr(0, width)); }

}  // namespace scandeck
