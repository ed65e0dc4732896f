#include "iddir/core/id_directory.h"

namespace scandeck {

const IdEntry& IdDirectory::at(int bank, int entry) const {
  static const IdEntry kEmpty{};
  if (!InRange(bank, entry)) return kEmpty;
  return entries_[static_cast<std::size_t>(bank)][static_cast<std::size_t>(entry)];
}

IdEntry* IdDirectory::find(int bank, int entry) {
  if (!InRange(bank, entry)) return nullptr;
  return &entries_[static_cast<std::size_t>(bank)][static_cast<std::size_t>(entry)];
}

}  // namespace scandeck
