// A downloaded list as whatever bytes a file may hold (any kind the importer
// recognises, or none): read, matched against a directory with a few entries named,
// and previewed without harm; every change it offers names a real entry and a name
// the directory can hold.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "import/core/import_preview.h"
#include "import/core/list_format.h"

using namespace scandeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static FreqDirectory channels = [] {
    FreqDirectory c;
    c[1].frequency = "154.4300";
    c[2].frequency = "460.0250";
    c[2].name = "Named";
    return c;
  }();
  static IdDirectory talkgroups = [] {
    IdDirectory t;
    *t.find(1, 1) = IdEntry{"1-1", "1033", "", "", " ", ""};
    *t.find(1, 2) = IdEntry{"1-2", "04-040", "", "", " ", ""};
    return t;
  }();
  const ImportList list = ReadList(bytes);
  for (const bool replace : {false, true}) {
    ImportOptions options;
    options.replaceNames = replace;
    const ImportPreview preview = BuildPreview(list, options, channels, talkgroups);
    for (const PreviewChange& c : preview.changes) {
      FUZZ_CHECK(c.newName.size() <= 40);
      FUZZ_CHECK(c.talkgroup ? (c.entry >= 1 && c.entry <= 100) : (c.entry >= 1 && c.entry <= 300));
    }
    FUZZ_CHECK(preview.changes.size() + preview.notFound.size() <= list.entries.size() + list.records.size());
  }
  return 0;
}
