// scandeck-dir: lists, exports and imports the directories of a ScanDeck working
// folder without the program, by the same rules as its Memories menu.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "common/core/csv.h"
#include "common/core/safe_write.h"
#include "common/core/text.h"
#include "common/core/type_codes.h"
#include "import/core/directory_csv.h"
#include "import/core/import_preview.h"
#include "import/core/run_lock.h"

namespace {

using namespace scandeck;
namespace fs = std::filesystem;

// Exit statuses, as the manual page lists them.
constexpr int kOk = 0, kFailed = 1, kUsage = 2, kLocked = 3, kUnknownList = 4;

const char kUsageText[] =
    "usage: scandeck-dir [--folder DIR] list [channels|talkgroups] [--bank N]\n"
    "       scandeck-dir [--folder DIR] export FILE [--channels|--talkgroups] [--bank N]\n"
    "       scandeck-dir [--folder DIR] import FILE [--trunk-bank N] [--description] [--replace] [--dry-run]\n"
    "Lists, exports and imports the frequency and talkgroup directories (bank.dat,\n"
    "idbank.dat) of a ScanDeck working folder. Refuses to write while ScanDeck runs there.\n"
    "\n"
    "  --folder DIR        the working folder (default: the current folder)\n"
    "  --bank N            one bank only, 1 to 10 (default: every bank)\n"
    "  --channels          export the frequency directory only\n"
    "  --talkgroups        export the talkgroup directory only\n"
    "  --trunk-bank N      the trunk bank whose IDs a talkgroup list is matched in (default 1)\n"
    "  --description       names from the description column instead of the alpha tag\n"
    "  --replace           replace names that entries have (default: only empty names)\n"
    "  --dry-run           print what an import would change and write nothing\n"
    "  -h, --help          this text\n";

struct Args {
  std::string folder = ".";
  std::string command, file, what;
  int bank = 0, trunkBank = 1;
  bool channels = false, talkgroups = false, description = false, replace = false, dryRun = false;
};

int Usage(const std::string& message) {
  std::cerr << "scandeck-dir: " << message << "\n" << "Try 'scandeck-dir --help'.\n";
  return kUsage;
}

bool Number(const std::string& text, int& out) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  out = std::stoi(text);
  return out >= 1 && out <= 10;
}

struct Folder {
  std::unique_ptr<FreqDirectory> channels = std::make_unique<FreqDirectory>();
  std::unique_ptr<IdDirectory> talkgroups = std::make_unique<IdDirectory>();
  RecordFile channelFile, talkgroupFile;
  std::string channelPath, talkgroupPath;
};

// Loads what is there; a missing file is an empty directory, created only to write.
bool Load(Folder& f, const std::string& folder, bool create) {
  f.channelPath = (fs::path(folder) / kFreqFileName).string();
  f.talkgroupPath = (fs::path(folder) / kIdFileName).string();
  std::error_code ec;
  if (create || fs::exists(f.channelPath, ec))
    if (Failure e = LoadFreqDirectory(f.channelPath, f.channelFile, *f.channels, '.'); e && (create || !f.channelFile.isOpen())) {
      std::cerr << "scandeck-dir: " << f.channelPath << ": " << e.description << "\n";
      return false;
    }
  if (create || fs::exists(f.talkgroupPath, ec))
    if (Failure e = LoadIdDirectory(f.talkgroupPath, f.talkgroupFile, *f.talkgroups); e && (create || !f.talkgroupFile.isOpen())) {
      std::cerr << "scandeck-dir: " << f.talkgroupPath << ": " << e.description << "\n";
      return false;
    }
  return true;
}

std::string Field(const std::string& text) {
  return text.find_first_not_of('\0') == std::string::npos ? std::string() : text;
}

// A Latin-1 field as UTF-8, padded to `width` characters (not bytes).
std::string Utf8(const std::string& latin1, std::size_t width = 0) {
  std::string out = Latin1ToUtf8(latin1);
  if (latin1.size() < width) out.append(width - latin1.size(), ' ');
  return out;
}

int List(const Args& a, Folder& f) {
  const bool all = a.what.empty();
  if (all || a.what == "channels")
    for (int n = 1; n <= kFreqChannels; ++n) {
      const FreqChannel& c = (*f.channels)[n];
      if ((a.bank && (n - 1) / kChannelsPerBank + 1 != a.bank) || (FrequencyUnits(c.frequency) == 0 && c.name.empty())) continue;
      std::printf("Ch %3d  %s  %s  %s\n", n, Utf8(c.frequency).c_str(), Utf8(c.type, 3).c_str(), Utf8(c.name).c_str());
    }
  if (all || a.what == "talkgroups")
    for (int b = 1; b <= kIdBanks; ++b) {
      if (a.bank && b != a.bank) continue;
      for (int e = 1; e <= kIdEntriesPerBank; ++e) {
        const IdEntry& t = f.talkgroups->at(b, e);
        if (TrimBlanks(Field(t.id)).empty() && Field(t.name).empty()) continue;
        std::printf("Bank %2d  %s  %s  %s  %s\n", b, Utf8(Field(t.channel), 5).c_str(), Utf8(Field(t.id), 6).c_str(),
                    Utf8(Field(t.type), 3).c_str(), Utf8(Field(t.name)).c_str());
      }
    }
  return kOk;
}

void PrintPreview(const ImportPreview& p, const std::string& file) {
  std::printf("%s: %s\n", file.c_str(), p.format.c_str());
  std::printf("%zu changes, %d kept (already named), %d unchanged, %d not in the directory, %d lines skipped, "
              "%d names cut to 40 characters, %d characters replaced\n",
              p.changes.size(), p.kept, p.same, p.notFoundCount, p.skipped.count, p.cut, p.replaced);
  for (const PreviewChange& c : p.changes)
    std::printf("change  line %d  %s  %s (%s)  \"%s\" %s -> \"%s\" %s%s\n", c.line, Utf8(c.where).c_str(), Utf8(c.key).c_str(),
                c.matchedBy.c_str(), Utf8(c.oldName).c_str(), Utf8(c.oldType).c_str(), Utf8(c.newName).c_str(),
                Utf8(c.newType).c_str(), c.cut ? "  [cut]" : "");
  for (const NotInDirectory& n : p.notFound)
    std::printf("not in the directory  line %d  %s  %s\n", n.line, Utf8(n.key).c_str(), Utf8(n.name).c_str());
  if (p.notFoundCount > static_cast<int>(p.notFound.size()))
    std::printf("not in the directory  %d more rows, not listed\n", p.notFoundCount - static_cast<int>(p.notFound.size()));
  for (const SkippedLine& s : p.skipped.lines) std::printf("skipped  line %d  %s\n", s.line, Utf8(s.reason).c_str());
  if (p.skipped.count > static_cast<int>(p.skipped.lines.size()))
    std::printf("skipped  %d more lines\n", p.skipped.count - static_cast<int>(p.skipped.lines.size()));
}

int Run(const Args& a) {
  RunLock lock;
  const bool writes = a.command == "import" && !a.dryRun;
  if (writes) {
    const RunLock::State state = lock.acquire(a.folder);
    if (state == RunLock::State::Busy) {
      std::cerr << "scandeck-dir: " << LockBusyText(a.folder) << "\n";
      return kLocked;
    }
    if (state == RunLock::State::Failed) {
      std::cerr << "scandeck-dir: cannot lock " << a.folder << ": " << lock.failure().description << "\n";
      return kFailed;
    }
  }
  std::error_code ec;
  if (!fs::is_directory(a.folder, ec)) {
    std::cerr << "scandeck-dir: " << a.folder << ": no such folder\n";
    return kFailed;
  }
  Folder f;
  if (!Load(f, a.folder, writes)) return kFailed;
  if (a.command == "list") return List(a, f);
  if (a.command == "export") {
    const ExportChoice choice{!a.talkgroups || a.channels, !a.channels || a.talkgroups, a.bank};
    const std::string csv = ExportDirectories(*f.channels, *f.talkgroups, choice);
    if (a.file == "-") {
      std::fwrite(csv.data(), 1, csv.size(), stdout);
      return kOk;
    }
    if (Failure e = WriteFileAtomically(a.file, csv)) {
      std::cerr << "scandeck-dir: " << a.file << ": " << e.description << "\n";
      return kFailed;
    }
    return kOk;
  }
  FileSource source(a.file);
  if (!source.isOpen()) {
    std::cerr << "scandeck-dir: " << a.file << ": File not found\n";
    return kFailed;
  }
  ImportOptions options;
  options.column = a.description ? NameColumn::Description : NameColumn::AlphaTag;
  options.replaceNames = a.replace;
  options.trunkBank = a.trunkBank;
  const ImportPreview preview = BuildPreview(source, options, *f.channels, *f.talkgroups);
  if (!preview.error.empty()) {
    std::cerr << "scandeck-dir: " << a.file << ": " << preview.error << "\n";
    return source.failed() ? kFailed : kUnknownList;
  }
  PrintPreview(preview, a.file);
  if (a.dryRun || preview.changes.empty()) return kOk;
  DirectoryFiles files{*f.channels, f.channelFile, f.channelPath, *f.talkgroups, f.talkgroupFile, f.talkgroupPath};
  if (Failure e = ApplyPreview(preview, files)) {
    std::cerr << "scandeck-dir: writing the directory failed: " << e.description << "\n";
    return kFailed;
  }
  std::printf("written: %zu entries\n", preview.changes.size());
  return kOk;
}

}  // namespace

int main(int argc, char** argv) {
  Args a;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsageText, stdout);
      return kOk;
    } else if (arg == "--folder") {
      if (!value(a.folder)) return Usage("--folder needs a folder");
    } else if (arg == "--bank") {
      if (!value(v) || !Number(v, a.bank)) return Usage("--bank needs a number from 1 to 10");
    } else if (arg == "--trunk-bank") {
      if (!value(v) || !Number(v, a.trunkBank)) return Usage("--trunk-bank needs a number from 1 to 10");
    } else if (arg == "--channels") {
      a.channels = true;
    } else if (arg == "--talkgroups") {
      a.talkgroups = true;
    } else if (arg == "--description") {
      a.description = true;
    } else if (arg == "--replace") {
      a.replace = true;
    } else if (arg == "--dry-run") {
      a.dryRun = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage("unknown option " + arg);
    } else {
      rest.push_back(arg);
    }
  }
  if (rest.empty()) return Usage("no command (list, export or import)");
  a.command = rest[0];
  if (a.command == "list") {
    if (rest.size() > 2) return Usage("list takes at most one of: channels, talkgroups");
    if (rest.size() == 2) a.what = rest[1];
    if (!a.what.empty() && a.what != "channels" && a.what != "talkgroups") return Usage("list what? channels or talkgroups");
  } else if (a.command == "export" || a.command == "import") {
    if (rest.size() != 2) return Usage(a.command + " needs one FILE");
    a.file = rest[1];
  } else {
    return Usage("unknown command " + a.command);
  }
  return Run(a);
}
