// Lists as users download them: reading, recognising, matching, preview, apply and
// the round trip of ScanDeck's own export.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "import/core/directory_csv.h"
#include "import/core/import_preview.h"
#include "common/core/type_codes.h"

namespace scandeck {
namespace {

std::string Joined(const ListRow& row) {
  std::string out;
  for (const auto& f : row.fields) out += (out.empty() ? "" : "|") + f;
  return out;
}

struct ReadCase {
  const char* what;
  std::string bytes;
  std::string lastRow;  // fields of the last row read, joined with '|' (and "@line" where it matters)
  int rows, skipped, replaced;
  std::string reason;  // of the first skipped line
};

TEST(ImportReader, ReadsWhatRealFilesHold) {
  const std::string long_line(5000, 'x');
  std::string seam;  // the reader takes 64 KiB at a time: lines across that seam
  for (int i = 0; i < 16382; ++i) seam += "a,b\n";
  const ReadCase cases[] = {
      {"LF", "a,b\nc,d\n", "c|d", 2, 0, 0, ""},
      {"CRLF", "a,b\r\nc,d\r\n", "c|d", 2, 0, 0, ""},
      {"CR only", "a,b\rc,d", "c|d", 2, 0, 0, ""},
      {"BOM and UTF-8", "\xEF\xBB\xBFID,Name\n1,Caf\xC3\xA9", "1|Caf\xE9", 2, 0, 0, ""},
      {"Latin-1", "1,Caf\xE9\n", "1|Caf\xE9", 1, 0, 0, ""},
      {"beyond Latin-1", "1,\xE2\x82\xAC" "5 \xF0\x9F\x93\xBB\n", "1|?5 ?", 1, 0, 2, ""},
      {"quoted comma", "1,\"a, b\",c\n", "1|a, b|c", 1, 0, 0, ""},
      {"doubled quotes", "1,\"a \"\"b\"\" c\"\n", "1|a \"b\" c", 1, 0, 0, ""},
      {"unescaped quotes", "1,\"a \"b\" c\",x\n", "1|a \"b\" c|x", 1, 0, 0, ""},
      {"quote in a bare field", "1,a\"b\n", "1|a\"b", 1, 0, 0, ""},
      {"blank in quotes, trailing blanks", "1,\" \",x  \n", "1||x", 1, 0, 0, ""},
      {"tabs", "1 \tOCFC F1 \n2\tb\n", "2|b", 2, 0, 0, ""},
      {"field over a line end", "1,\"a\nb\",c\n", "1|a\nb|c", 1, 0, 0, ""},
      {"quote never closed", "1,\"abc\n2,x\n", "2|x", 1, 1, 0, "a quote that is never closed"},
      {"binary", std::string("1,a\0b\n2,c\n", 10), "2|c", 1, 1, 0, "binary data (a NUL byte)"},
      {"huge line", long_line + "\n2,c\n", "2|c", 1, 1, 0, "line longer than 4096 bytes"},
      {"blank lines", "\n , \n1,2\n\n", "1|2", 1, 0, 0, ""},
      {"CRLF over a read", seam + "a,b\nc,d\r\n1,2\n", "1|2@16385", 16385, 0, 0, ""},
      {"quote over a read", seam + "1,\"a\nb\",c\n", "1|a\nb|c@16383", 16383, 0, 0, ""},
      {"semicolons", "# F ; Name\n 145320000; W6TRW, Redondo ; FM\n", "145320000|W6TRW, Redondo|FM", 2, 0, 0, ""},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ListText text = ReadDelimited(c.bytes);
    ASSERT_EQ(static_cast<int>(text.rows.size()), c.rows);
    const std::string last = Joined(text.rows.back());
    EXPECT_EQ(c.lastRow.find('@') == std::string::npos ? last : last + "@" + std::to_string(text.rows.back().line), c.lastRow);
    EXPECT_EQ(text.skipped.count, c.skipped);
    EXPECT_EQ(text.replaced, c.replaced);
    if (!c.reason.empty()) {
      EXPECT_EQ(text.skipped.lines.at(0).reason, c.reason);
    }
  }
}

struct HeaderCase {
  std::string text;
  ListKind kind;
  std::string decimal, afs;
  long long units;
  std::string alpha, description, tag;
};

TEST(ImportFormat, RecognisesHeadersByTheirAliasesInAnyOrder) {
  const HeaderCase cases[] = {
      {"Decimal,Hex,Alpha Tag,Mode,Description,Tag,Category\n1033,409,LAW MA,D,Law Aid,Law Tac,State\n",
       ListKind::Talkgroups, "1033", "", 0, "LAW MA", "Law Aid", "Law Tac"},
      {"Decimal, Hex, Mode, Alpha Tag, Description, Tag, Category, Priority\n7, 7, T, A7, D7, Fire-Tac, X, 1\n",
       ListKind::Talkgroups, "7", "", 0, "A7", "D7", "Fire-Tac"},
      {"TAG,DEC,Alias\nFire Dispatch,12,E1\n", ListKind::Talkgroups, "12", "", 0, "E1", "", "Fire Dispatch"},
      {"DEC,AFS,Name of Group,Group Description,\xC2\xA0\n544,04-040,PD,Announce,\n", ListKind::Talkgroups, "544",
       "04-040", 0, "PD", "Announce", ""},
      {"\"Frequency Output\",\"Frequency Input\",Agency/Category,Description,\"Alpha Tag\",Mode,Tag\n"
       "154.41504,0.0,City,\"Fire, main\",FD1,FM,Fire Dispatch\n",
       ListKind::Frequencies, "", "", 1544150, "FD1", "Fire, main", "Fire Dispatch"},
      {"Location,Name,Frequency,Duplex\n25,H-TAC1,443.100000,+\n", ListKind::Frequencies, "", "", 4431000, "H-TAC1", "", ""},
      {"Channel,Name,Frequency\n3,Tower,118.05\n", ListKind::Frequencies, "", "", 1180500, "Tower", "", ""},
      {"1616,65,A,MetBus Disp1,Bus Dispatch 1,Transportation,Bus,1\n", ListKind::Talkgroups, "1616", "", 0,
       "MetBus Disp1", "Bus Dispatch 1", "Transportation"},
      {"1 \tOCFC F1 Cntl \n", ListKind::Talkgroups, "1", "", 0, "OCFC F1 Cntl", "OCFC F1 Cntl", ""},
      {"<playlist><alias group=\"G\" name=\"A &amp; B\"><id type=\"priority\" value=\"3\"/>"
       "<id type=\"talkgroup\" protocol=\"APCO25\" value=\"42\"/></alias></playlist>",
       ListKind::Talkgroups, "42", "", 0, "A & B", "A & B", ""},
      {"Notes\n DEC    AFS     Mode  Description        Tag\n-----\n 578    04-082  D     West TAC PV        Law Tac \n",
       ListKind::Talkgroups, "578", "04-082", 0, "West TAC PV", "West TAC PV", "Law Tac"},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.text);
    const ImportList list = ReadList(c.text);
    ASSERT_EQ(list.kind, c.kind) << list.error;
    ASSERT_EQ(list.entries.size(), 1u);
    const ListEntry& e = list.entries[0];
    EXPECT_EQ(e.decimal, c.decimal);
    EXPECT_EQ(e.afs, c.afs);
    EXPECT_EQ(e.units, c.units);
    EXPECT_EQ(e.alpha, c.alpha);
    EXPECT_EQ(e.description, c.description);
    EXPECT_EQ(e.tag, c.tag);
  }
  EXPECT_FALSE(ReadList("hello,world\nfoo,bar\n").error.empty());
  EXPECT_FALSE(ReadList(std::string(3000, '\x01')).error.empty());
}

TEST(ImportFormat, FrequenciesInHzKhzOrMhzByMagnitudeNeverAsTalkgroups) {
  const struct {
    std::string text, format;
    long long units;
    std::string alpha;
  } cases[] = {
      {"TG Number,Frequency,Tone,Alpha Tag,Description,Tag,Category\n1,462562500,0,FRS 1,Family 1,Business,FRS\n",
       "frequency list (header), frequencies in Hz", 4625625, "FRS 1"},
      {"# Tag name ; color\nFRS ; #ff0000\n\n# Frequency ; Name ; Modulation ; Bandwidth; Tags\n"
       "# Family radio\n   462562500; FRS 1 ; Narrow FM ; 10000; FRS\n",
       "frequency list (header), frequencies in Hz", 4625625, "FRS 1"},
      {"462562500,FRS 1,FM,12500,FRS\n", "frequency and name list (no header), frequencies in Hz", 4625625, "FRS 1"},
      {"7,462.5625,0,FRS 1,Family 1,Business,FRS\n", "trunk-recorder channels (no header), frequencies in MHz", 4625625, "FRS 1"},
      {"ID,Name\n462562500,FRS 1\n", "frequency list (header), frequencies in Hz", 4625625, "FRS 1"},
      {"Frequency,Name\n154415,Fire\n", "frequency list (header), frequencies in kHz", 1544150, "Fire"},
      {"Frequency,Name\n0.0,None\n154.415,Fire\n", "frequency list (header), frequencies in MHz", 1544150, "Fire"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ImportList list = ReadList(c.text);
    EXPECT_EQ(list.format, c.format) << list.error;
    ASSERT_EQ(list.entries.size(), 1u);
    EXPECT_EQ(list.entries[0].units, c.units);
    EXPECT_EQ(list.entries[0].alpha, c.alpha);
  }
}

TEST(ImportFormat, CommasOutOfPlaceRealignedByTheHeaderOrTheListRefused) {
  const ImportList list = ReadList(
      "DEC,HEX,Mode,Alpha Tag,Description,Tag,Category\n1033,409,D,LAW MA 01,Law, Mutual Aid, East,Law Tac,State\n"
      "1034,40a,D,LAW MA 02,Plain,Law Tac,State,,\n1035,40b,D,TAC,a,b,c,d\n");
  ASSERT_EQ(list.entries.size(), 3u) << list.error;
  const ListEntry& e = list.entries[0];
  EXPECT_EQ(e.decimal + "|" + e.alpha + "|" + e.description + "|" + e.tag + "|" + e.category,
            "1033|LAW MA 01|Law, Mutual Aid, East|Law Tac|State");
  EXPECT_EQ(list.entries[1].description, "Plain");
  EXPECT_EQ(list.entries[2].alpha, "TAC");
  const struct {
    std::string text, error;
  } refused[] = {
      {"Frequency,Description,Alpha Tag\n154.415,a,b,FD1\n154.43,c,d,FD2\n154.45,e,FD3\n",
       "2 of the first 3 rows have more cells than the header line (commas that are not quoted), and which cell is the "
       "name cannot be told: the list is not read."},
      {"\xFF\xFE" "D\0E\0C\0,\0", "UTF-16 lists are not read: save it as UTF-8."},
      {"\xFE\xFF\0D\0E\0C", "UTF-16 lists are not read: save it as UTF-8."},
      {std::string("D\0E\0C\0,\0N\0", 10), "UTF-16 lists are not read: save it as UTF-8."},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.text);
    const ImportList l = ReadList(r.text);
    EXPECT_EQ(l.error, r.error);
    EXPECT_TRUE(l.entries.empty());
  }
}

struct Dirs {
  std::unique_ptr<FreqDirectory> channels = std::make_unique<FreqDirectory>();
  std::unique_ptr<IdDirectory> ids = std::make_unique<IdDirectory>();
  void channel(int n, const char* frequency, const char* name = "") {
    (*channels)[n].channel = n;
    (*channels)[n].frequency = frequency;
    (*channels)[n].name = name;
  }
  void id(int bank, int entry, const char* id, const char* name = "") {
    ids->find(bank, entry)->id = id;
    ids->find(bank, entry)->name = name;
  }
  ImportPreview preview(const std::string& text, ImportOptions o = {}) const {
    return BuildPreview(ReadList(text), o, *channels, *ids);
  }
};

TEST(ImportMatch, FrequenciesToTheStepIdsInTheirFormsNamesTypesAndCuts) {
  Dirs d;
  d.channel(5, "154,4150");  // a comma-locale directory still matches
  d.channel(6, "460.0250", "Kept");
  d.id(2, 1, "1033");
  d.id(2, 2, "04-023");  // 4 × 128 + 2 × 8 + 3 = 531
  d.id(2, 3, "11-051");  // 1449
  d.id(1, 4, "1449");    // another trunk bank: never matched from bank 2
  ImportOptions o;
  o.trunkBank = 2;
  o.separator = ',';
  const std::string long_name(45, 'N');
  struct Case {
    std::string row;
    std::string where, matchedBy, name, type;
    bool cut;
  } cases[] = {
      {"1033,LAW 1,Law Tac", "1-1", "decimal", "LAW 1", "POL", false},
      {"531,Fire 1,Schools", "1-2", "AFS from decimal", "Fire 1", "MUN", false},
      {"04-023,Fire 2,Nothing known", "1-2", "AFS", "Fire 2", "", false},
      {"1449," + long_name + ",FDP", "1-3", "AFS from decimal", long_name.substr(0, 40), "FDP", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    const ImportPreview p = d.preview("DEC,Alpha Tag,Tag\n" + c.row + "\n", o);
    ASSERT_EQ(p.changes.size(), 1u);
    EXPECT_EQ(p.changes[0].where, c.where);
    EXPECT_EQ(p.changes[0].matchedBy, c.matchedBy);
    EXPECT_EQ(p.changes[0].newName, c.name);
    EXPECT_EQ(p.changes[0].newType, c.type);
    EXPECT_EQ(p.changes[0].cut, c.cut);
  }
  const std::string freqs = "Frequency,Name,Description\n154.41504,FD,Fire main\n154.41556,Off,x\n460.025,New,y\n";
  ImportPreview p = d.preview(freqs, o);
  ASSERT_EQ(p.changes.size(), 1u);
  EXPECT_EQ(p.changes[0].where, "Ch 5");
  EXPECT_EQ(p.changes[0].newName, "FD");
  EXPECT_EQ(p.notFound.size(), 1u);
  EXPECT_EQ(p.kept, 1);
  o.replaceNames = true;
  o.column = NameColumn::Description;
  p = d.preview(freqs, o);
  ASSERT_EQ(p.changes.size(), 2u);
  EXPECT_EQ(p.changes[0].newName, "Fire main");
  EXPECT_EQ(p.changes[1].oldName, "Kept");
  p = d.preview("DEC,Name\n1033,Caf\xC3\xA9 \xE2\x98\x8E\n", o);
  EXPECT_EQ(p.changes.at(0).newName, "Caf\xE9 ?");
  EXPECT_EQ(p.replaced, 1);
}

TEST(ImportMatch, AfsIsFourBitsAgencyFourFleetThreeSubfleet) {
  const struct {
    const char* shown;
    long long decimal;
  } cases[] = {{"04-040", 544}, {"04-023", 531}, {"00-001", 1},   {"15-157", 2047}, {"=11-051", 1449},
               {"04-048", -1},  {"04-029", -1},  {"04-160", -1},  {"16-000", -1},   {"1033", 1033}};
  for (const auto& c : cases) EXPECT_EQ(IdDecimal(c.shown), c.decimal) << c.shown;
}

TEST(ImportMatch, ChirpCommentIsANameOnlyWhenChosen) {
  Dirs d;
  d.channel(3, "154.4150");
  const std::string chirp = "Location,Name,Frequency,Comment\n1,,154.415000,Fire main\n";
  ImportPreview p = d.preview(chirp);
  EXPECT_TRUE(p.changes.empty());
  ASSERT_EQ(p.skipped.count, 1);
  EXPECT_EQ(p.skipped.lines[0].reason, "no name (a comment is taken as the name only when its column is chosen)");
  ImportOptions o;
  o.column = NameColumn::Description;
  p = d.preview(chirp, o);
  ASSERT_EQ(p.changes.size(), 1u);
  EXPECT_EQ(p.changes[0].newName, "Fire main");
}

// A list far longer than any directory is read to its end, holding only what it lists.
TEST(ImportMatch, LongListsAreReadWholeAndTheirUnmatchedRowsCounted) {
  Dirs d;
  d.id(1, 1, "120000");  // past the 100,000 rows once read
  std::string list = "DEC,Alpha Tag\n";
  for (int i = 1; i <= 120000; ++i) list += std::to_string(i) + ",TG " + std::to_string(i) + "\n";
  TextSource source(list);
  const ImportPreview p = BuildPreview(source, {}, *d.channels, *d.ids);
  ASSERT_EQ(p.changes.size(), 1u);
  EXPECT_EQ(p.changes[0].line, 120001);
  EXPECT_EQ(p.notFoundCount, 119999);
  EXPECT_EQ(p.notFound.size(), kMaxNotFoundKept);
  std::string error;
  const std::string csv = NotInDirectoryCsv(source, {}, *d.channels, *d.ids, error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 120000);
  EXPECT_NE(csv.find("\r\n120000,119999,TG 119999,\r\n"), std::string::npos);
}

TEST(ImportMatch, TagTableCoversEveryTypeCode) {
  EXPECT_EQ(TypeForTag("Law Dispatch", ""), "POL");
  EXPECT_EQ(TypeForTag("", "fire-talk"), "FDP");
  EXPECT_EQ(TypeForTag("Unheard of", "Public Works"), "MUN");
  EXPECT_EQ(TypeForTag("Multi-Tac", "Unheard of"), "");
  for (const TypeCode& code : kTypeCodes) {
    EXPECT_EQ(TypeForTag(code.code, ""), code.code);
    EXPECT_EQ(TypeForTag(code.meaning, ""), code.code);
  }
}

}  // namespace
}  // namespace scandeck
