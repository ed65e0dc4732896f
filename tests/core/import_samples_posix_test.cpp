// Each sample list read where it lies, as a user would import it; the round trip of
// the export over every record; the lock against a running ScanDeck.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include "common/core/text.h"
#include "import/core/directory_csv.h"
#include "import/core/import_preview.h"
#include "import/core/run_lock.h"
#include "support/temp_dir.h"

namespace scandeck {
namespace {

using testing::Slurp;
using testing::TempDir;

struct Sample {
  const char* file;
  const char* format;
  int rows, skipped;
  std::string skipReason;  // of the first skipped line
  const char* key;         // a frequency or ID of the directory that the list names
  const char* name;
  const char* type;
  const char* matchedBy;
};

TEST(ImportSamples, EachListReadsAsAUserSeesIt) {
  const std::filesystem::path folder = SCANDECK_SAMPLES_DIR;
  if (!std::filesystem::exists(folder / "SOURCES.md")) GTEST_SKIP() << "sample lists not found in " << folder;
  const Sample samples[] = {
      {"mswin_trs_tg_4879.csv", "talkgroup list (header)", 2088, 0, "", "48381", "75-VBG EN ROUTE", "PTP", "decimal"},
      {"tacn_tennessee_talkgroups.csv", "talkgroup list (header)", 1733, 0, "", "1033", "LAW MA 01", "POL", "decimal"},
      {"nyc_rr_conventional_ctid1855.csv", "frequency list (header), frequencies in MHz", 1082, 0, "", "029.6600", "WB2HWW", "MSC", "frequency"},
      {"toronto_rr_metro22.csv", "frequency list (header), frequencies in MHz", 1521, 2,
       "14 fields where the header has 12 (a comma that is not quoted?)", "046.9400", "DarlingtonPP", "", "frequency"},
      {"wmata_cr_only.csv", "trunk-recorder talkgroups (no header)", 92, 1, "no name (empty or \"none\")", "1616",
       "MetBus Disp1", "PTP", "decimal"},
      {"indy500_2025_bc125.csv", "frequency list (header), frequencies in MHz", 34, 466, "no frequency", "454.0000", "IMS RADIO", "", "frequency"},
      {"chirp_generic_csv.csv", "frequency list (header), frequencies in MHz", 95, 0, "", "443.1000", "H-TAC1", "", "frequency"},
      {"op25_onondaga.tsv", "ID and name list (no header)", 242, 0, "", "1", "OCFC F1 Cntl", "", "decimal"},
      {"edacsfm_group.csv", "talkgroup list (header)", 4, 0, "", "11-051", "Fire Dispatch", "", "AFS from decimal"},
      {"edmonton_edacs_afs.txt", "EDACS talkgroup tables (DEC, AFS)", 221, 0, "", "04-040",
       "PD Announcements (all channels)", "POL", "AFS"},
      {"gqrx_long_beach_bookmarks.csv", "frequency list (header), frequencies in Hz", 190, 19, "before the header line",
       "145.1800", "W6MPH Pasadena [PL 156.7 -0.6]", "MSC", "frequency"},
      {"mpscs_sdrtrunk_playlist.xml", "alias playlist (XML)", 6921, 1, "an alias without a talkgroup ID", "2", "56MOSQUITO",
       "", "decimal"},
  };
  for (const Sample& s : samples) {
    SCOPED_TRACE(s.file);
    const ImportList list = ReadList(Slurp((folder / s.file).string()));
    ASSERT_TRUE(list.error.empty()) << list.error;
    auto channels = std::make_unique<FreqDirectory>();
    auto ids = std::make_unique<IdDirectory>();
    const bool frequency = std::string(s.format).starts_with("frequency");
    if (frequency) (*channels)[7].frequency = s.key;
    else ids->find(1, 14)->id = s.key;
    const ImportPreview p = BuildPreview(list, {}, *channels, *ids);
    EXPECT_EQ(p.format, s.format);
    EXPECT_EQ(p.skipped.count, s.skipped);
    if (s.skipped) {
      EXPECT_EQ(p.skipped.lines.at(0).reason, s.skipReason);
    }
    ASSERT_EQ(p.changes.size(), 1u);
    EXPECT_EQ(p.changes[0].where, frequency ? "Ch 7" : "2-4");
    EXPECT_EQ(p.changes[0].newName, s.name);
    EXPECT_EQ(p.changes[0].newType, s.type);
    EXPECT_EQ(p.changes[0].matchedBy, s.matchedBy);
    EXPECT_EQ(p.notFoundCount + 1, s.rows) << "rows not in the directory";
  }
}

// EDACS group IDs split 4-4-3 (agency, fleet, subfleet): every pair of the tables agrees.
TEST(ImportSamples, EveryDecimalAndAfsPairOfTheEdmontonTablesAgrees) {
  const std::filesystem::path file = std::filesystem::path(SCANDECK_SAMPLES_DIR) / "edmonton_edacs_afs.txt";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "sample list not found: " << file;
  const ImportList list = ReadList(Slurp(file.string()));
  int pairs = 0;
  for (const ListEntry& e : list.entries) {
    ASSERT_FALSE(e.afs.empty()) << "line " << e.line;
    EXPECT_EQ(IdDecimal(e.afs), IdDecimal(e.decimal)) << "line " << e.line << ": " << e.decimal << " " << e.afs;
    ++pairs;
  }
  EXPECT_EQ(pairs, 221);
}

TEST(ImportRoundTrip, ExportThenImportIntoAnEmptyFolderRestoresEveryRecord) {
  TempDir from, to;
  auto a = std::make_unique<FreqDirectory>();
  auto ids = std::make_unique<IdDirectory>();
  RecordFile af, aid;
  LoadFreqDirectory(from.file(kFreqFileName), af, *a, '.');
  LoadIdDirectory(from.file(kIdFileName), aid, *ids);
  std::mt19937 rng(7);
  const auto text = [&](std::size_t n) {
    std::string s;
    for (std::size_t i = rng() % (n + 1); i > 0; --i) s += static_cast<char>(" ,\"aZ9\xE9\xFF-"[rng() % 9]);
    return s;
  };
  for (int n = 1; n <= kFreqChannels; ++n) {
    if (n % 7 == 0) continue;  // some stay empty
    FreqChannel& c = (*a)[n];
    c.channel = n;
    c.frequency = FormatFrequencyMhz(25 + (rng() % 13000000) / 10000.0, '.');
    c.type = text(3);
    c.name = text(40);
    c.delay = Marker(rng() % 2 == 0);
    c.lockout = Marker(rng() % 3 == 0);
    c.mode = rng() % 2 ? "Normal" : "Trunk";
  }
  for (int b = 1; b <= kIdBanks; ++b)
    for (int e = 1; e <= kIdEntriesPerBank; ++e)
      if ((b + e) % 5) *ids->find(b, e) = {std::to_string((e - 1) / 10 + 1) + "-" + std::to_string((e - 1) % 10 + 1), text(6),
                                          text(3), text(40), rng() % 2 ? "=" : " ", text(10)};
  for (int b = 1; b <= 10; ++b) {
    WriteBank(af, *a, b);
    for (int g = 1; g <= 10; ++g) WriteIdBank(aid, *ids, b, g);
  }
  // What the files hold is what must come back.
  LoadFreqDirectory(from.file(kFreqFileName), af, *a, '.');
  LoadIdDirectory(from.file(kIdFileName), aid, *ids);
  const std::string csv = ExportDirectories(*a, *ids, {});
  const ImportList list = ReadList(csv);
  ASSERT_EQ(list.skipped.count, 0) << list.skipped.lines.at(0).line << ": " << list.skipped.lines.at(0).reason;
  ASSERT_EQ(list.records.size(), 1300u);
  auto b = std::make_unique<FreqDirectory>();
  auto idb = std::make_unique<IdDirectory>();
  RecordFile bf, bid;
  LoadFreqDirectory(to.file(kFreqFileName), bf, *b, '.');
  LoadIdDirectory(to.file(kIdFileName), bid, *idb);
  DirectoryFiles files{*b, bf, to.file(kFreqFileName), *idb, bid, to.file(kIdFileName)};
  ASSERT_FALSE(ApplyPreview(BuildPreview(list, {}, *b, *idb), files));
  LoadFreqDirectory(to.file(kFreqFileName), bf, *b, '.');
  LoadIdDirectory(to.file(kIdFileName), bid, *idb);
  for (int n = 1; n <= kFreqChannels; ++n) EXPECT_EQ(EncodeFreqRecord((*b)[n], n), EncodeFreqRecord((*a)[n], n)) << n;
  for (int r = 1; r <= kIdRecords; ++r) {
    const int bank = (r - 1) / 100 + 1, e = (r - 1) % 100 + 1;
    EXPECT_EQ(EncodeIdRecord(idb->at(bank, e)), EncodeIdRecord(ids->at(bank, e))) << r;
  }
  EXPECT_EQ(ExportDirectories(*b, *idb, {}), csv);
  EXPECT_TRUE(std::filesystem::exists(to.file("bank.dat.bak")));
}

int Tool(const std::string& args, const std::string& out = "/dev/null") {
  const int status = std::system((std::string(SCANDECK_DIR_TOOL) + " " + args + " >" + out + " 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ImportLock, TheToolRefusesToWriteWhileScanDeckRunsInTheFolder) {
  TempDir dir;
  dir.write("list.csv", "Frequency,Name\n154.4150,Fire\n");
  RunLock running;
  ASSERT_EQ(running.acquire(dir.path.string()), RunLock::State::Held);
  RunLock second;
  EXPECT_EQ(second.acquire(dir.path.string()), RunLock::State::Busy);
  const std::string folder = "--folder " + dir.path.string() + " ";
  EXPECT_EQ(Tool(folder + "import " + dir.file("list.csv")), 3);
  EXPECT_FALSE(std::filesystem::exists(dir.file(kFreqFileName)));
  EXPECT_EQ(Tool(folder + "import --dry-run " + dir.file("list.csv")), 0);
  running.release();
  EXPECT_EQ(Tool(folder + "import " + dir.file("list.csv")), 0);
  EXPECT_EQ(second.acquire(dir.path.string()), RunLock::State::Held);
  second.release();
  EXPECT_EQ(Tool(folder + "import " + dir.file("missing.csv")), 1);
  EXPECT_EQ(Tool(folder + "frobnicate"), 2);
  EXPECT_EQ(Tool(folder + "list --bank 11"), 2);
  dir.write("junk.bin", std::string(4000, '\x01'));
  EXPECT_EQ(Tool(folder + "import --dry-run " + dir.file("junk.bin")), 4);
}

// What the terminal shows is UTF-8 throughout, a list longer than the reader once
// took is read to its end, and a list it does not read is refused with its reason.
TEST(ImportTool, PrintsUtf8ReadsAListToItsEndAndSaysWhyNot) {
  TempDir dir;
  auto ids = std::make_unique<IdDirectory>();
  RecordFile file;
  LoadIdDirectory(dir.file(kIdFileName), file, *ids);
  *ids->find(1, 1) = IdEntry{"1-1", "4\xFE" "01", "FDP", "Caf\xE9", " ", ""};  // the scanner's glyph in an ID
  *ids->find(1, 2) = IdEntry{"1-2", "99999", "", "", " ", ""};
  ASSERT_FALSE(WriteIdBank(file, *ids, 1, 1));
  const std::string folder = "--folder " + dir.path.string() + " ", out = dir.file("out.txt");
  ASSERT_EQ(Tool(folder + "list talkgroups", out), 0);
  std::string text = Slurp(out);
  EXPECT_TRUE(LooksLikeUtf8(text)) << text;
  EXPECT_NE(text.find("4\xC3\xBE" "01    FDP  Caf\xC3\xA9"), std::string::npos) << text;

  std::string list = "DEC,Alpha Tag,Description\n";
  const std::string padding(200, 'd');
  while (list.size() < kMaxListBytes + (1u << 20)) list += "12345,TG," + padding + "\n";
  dir.write("long.csv", list + "99999,LAST,x\n");
  ASSERT_EQ(Tool(folder + "import --dry-run " + dir.file("long.csv"), out), 0);
  text = Slurp(out);
  EXPECT_NE(text.find("\n1 changes,"), std::string::npos) << text.substr(0, 300);
  EXPECT_NE(text.find("\"\"  -> \"LAST\""), std::string::npos);

  dir.write("utf16.csv", std::string("\xFF\xFE" "D\0E\0C\0\n\0", 10));
  EXPECT_EQ(Tool(folder + "import --dry-run " + dir.file("utf16.csv"), out), 4);
  EXPECT_NE(Slurp(out).find("UTF-16 lists are not read: save it as UTF-8."), std::string::npos);
}

}  // namespace
}  // namespace scandeck
