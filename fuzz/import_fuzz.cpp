// A downloaded list as whatever bytes a file may hold (any kind the importer
// recognises, or none): read, matched against a directory with a few entries named,
// and previewed without harm; every change it offers names a real entry and a name
// the directory can hold, and the preview read as a stream is the preview of the
// whole list.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "import/core/import_preview.h"
#include "import/core/list_format.h"

using namespace scandeck;

namespace {

// A few entries named and unnamed, so that matches of every kind can be offered.
struct Directories {
  FreqDirectory channels;
  IdDirectory talkgroups;
  Directories() {
    channels[1].frequency = "154.4300";
    channels[2].frequency = "460.0250";
    channels[2].name = "Named";
    *talkgroups.find(1, 1) = IdEntry{"1-1", "1033", "", "", " ", ""};
    *talkgroups.find(1, 2) = IdEntry{"1-2", "04-040", "", "", " ", ""};
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const Directories directories;
  const FreqDirectory& channels = directories.channels;
  const IdDirectory& talkgroups = directories.talkgroups;
  const ImportList list = ReadList(bytes);
  TextSource source{std::string(bytes)};
  for (const bool replace : {false, true}) {
    ImportOptions options;
    options.replaceNames = replace;
    const ImportPreview preview = BuildPreview(list, options, channels, talkgroups);
    const ImportPreview streamed = BuildPreview(source, options, channels, talkgroups);
    FUZZ_CHECK(streamed.error == preview.error && streamed.changes.size() == preview.changes.size());
    FUZZ_CHECK(streamed.notFoundCount == preview.notFoundCount && streamed.skipped.count == preview.skipped.count);
    FUZZ_CHECK(preview.notFound.size() <= kMaxNotFoundKept && preview.notFoundCount >= static_cast<int>(preview.notFound.size()));
    for (const PreviewChange& c : preview.changes) {
      FUZZ_CHECK(c.newName.size() <= 40);
      FUZZ_CHECK(c.talkgroup ? (c.entry >= 1 && c.entry <= 100) : (c.entry >= 1 && c.entry <= 300));
    }
    FUZZ_CHECK(preview.changes.size() + static_cast<std::size_t>(preview.notFoundCount) <= list.entries.size() + list.records.size());
  }
  return 0;
}
