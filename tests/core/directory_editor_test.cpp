// The two directory windows' rules without a display: the reads on the wire and
// on the timer, the reply layouts, save and delete in memory and on disk, and
// reading every bank in one go.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/core/text.h"
#include "directory/core/batch_read.h"
#include "directory/core/freq_dir_core.h"
#include "directory/core/id_dir_core.h"
#include "status/core/process_replies.h"
#include "support/fake_port.h"
#include "support/temp_dir.h"

using namespace scandeck;
using namespace std::chrono_literals;
using scandeck::testing::FakePort;
using scandeck::testing::ListReporter;
using scandeck::testing::Slurp;
using scandeck::testing::TempDir;

namespace {

class NoReplies final : public ReplyProcessor {
 public:
  void ProcessReplies(ReplySlots&) override {}
};

// The link as MainCore wires it, on a port in memory.
struct Bench {
  FakePort port;
  ListReporter reporter;
  PagCom pag{port};
  Link link{pag, reporter};
  NoReplies none;
  PollCycle poll{link, none};
  LinkHold hold;
  ManualClock clock;
  TempDir folder;
  FreqDirectory freq;
  IdDirectory ids;
  RecordFile freq_file, id_file;
  FreqDirCore freq_dir{ReadLink(link, poll, hold), reporter, freq, freq_file, '.'};
  IdDirCore id_dir{ReadLink(link, poll, hold), reporter, clock, ids, id_file};

  Bench() {
    Failure f;
    pag.open(f);
    poll.setEnabled(true);
    freq_file.Open(folder.file("bank.dat"), kFreqRecordLength);
    id_file.Open(folder.file("idbank.dat"), kIdRecordLength);
  }
  std::vector<std::string> sent() {
    auto out = port.commands();
    port.written.clear();
    return out;
  }
};

std::string ChannelLine(int n, const char* units, char trunk, char delay, char lockout) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "C%03d F%s T%c D%c L%c", n, units, trunk, delay, lockout);
  return buf;
}

std::vector<std::string> Range(const std::string& prefix, int first, int last, int width) {
  std::vector<std::string> out;
  for (int n = first; n <= last; ++n) {
    std::string digits = std::to_string(n);
    out.push_back(prefix + std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits);
  }
  return out;
}

}  // namespace

TEST(DirectoryReads, CommandOrderProgressAndThePoll) {
  Bench b;
  b.freq_dir.fromScanner = true;
  b.freq_dir.BankCmb_Click("3");
  EXPECT_EQ(b.sent(), std::vector<std::string>{"QUF"});
  EXPECT_FALSE(b.poll.enabled());
  EXPECT_TRUE(b.freq_dir.waitVisible());
  for (int tick = 1; tick <= 6; ++tick) {
    b.freq_dir.ChTimer_Timer();
    const int first = 61 + (tick - 1) * 5;
    EXPECT_EQ(b.sent(), Range("PM", first, first + 4, 3)) << tick;
    EXPECT_EQ(b.freq_dir.waitText(), "Please wait a moment..." + std::to_string(15 * tick) + "%");
  }
  for (int n = 61; n <= 90; ++n) b.port.incoming += ChannelLine(n, "01553250", 'F', 'N', 'F') + "\r";
  b.freq_dir.ChTimer_Timer();  // the seventh tick completes: every channel answered
  EXPECT_EQ(b.sent(), std::vector<std::string>{"QUN"});
  EXPECT_TRUE(b.poll.enabled());
  EXPECT_FALSE(b.freq_dir.reading() || b.freq_dir.waitVisible());
  ASSERT_EQ(b.freq_dir.grid().size(), 30u);
  EXPECT_EQ(b.freq_dir.grid()[0][0], "61");
  EXPECT_EQ(b.freq_dir.grid()[29][1], "155.3250");
  EXPECT_TRUE(b.reporter.messages.empty());

  b.id_dir.fromScanner = true;
  b.id_dir.BankText = "2";
  b.id_dir.IDBankText = "3";
  b.id_dir.IDBankCmb_Click();
  EXPECT_EQ(b.sent(), (std::vector<std::string>{"QUF", "IDF", "TB"}));
  EXPECT_FALSE(b.poll.enabled());
  b.id_dir.IDTimer_Timer();
  EXPECT_EQ(b.sent(), Range("IC C", 0, 9, 1));
  EXPECT_EQ(b.id_dir.waitText(), "Please wait a moment...40%");
  b.port.incoming += "TB B SYSTEM TWO\r";
  for (char d = '0'; d <= '9'; ++d) b.port.incoming += std::string("IC C") + d + " 0" + d + "\xFE" "20\r";
  b.id_dir.IDTimer_Timer();
  EXPECT_EQ(b.sent(), (std::vector<std::string>{"KEY00", "QUN", "IDN"}));
  EXPECT_EQ(b.id_dir.waitText(), "Please wait a moment... 80 %");
  EXPECT_TRUE(b.id_dir.inputBlocked());
  EXPECT_EQ(b.id_dir.pauseLeft(), 1700ms);
  b.clock.advance(1699ms);
  b.id_dir.IDTimer_Timer();  // no tick re-enters the read during the pause
  EXPECT_TRUE(b.id_dir.reading());
  EXPECT_FALSE(b.poll.enabled());
  b.clock.advance(1ms);
  b.id_dir.IDTimer_Timer();
  EXPECT_FALSE(b.id_dir.reading());
  EXPECT_TRUE(b.poll.enabled());
  EXPECT_TRUE(b.sent().empty());
  ASSERT_EQ(b.id_dir.grid().size(), 10u);
  EXPECT_EQ(b.id_dir.grid()[9][0], "3-10");
  EXPECT_EQ(b.id_dir.grid()[9][1], "00=20");
  EXPECT_EQ(b.id_dir.systemText(), " SYSTEM TW") << "this window reads characters 5 to 14";
  EXPECT_TRUE(b.reporter.messages.empty()) << b.reporter.messages[0];
}

TEST(DirectoryReads, ReplyLayouts) {
  const struct {
    std::string line;
    int channel;  // 0: not a channel reply, nothing touched
    const char *frequency, *mode, *delay, *lockout;
  } channel_lines[] = {
      {"C062 F01553250 TF DN LF", 62, "155.3250", "Normal", "=", ""},
      {"C062x?01553250??N??F??N trailing", 62, "155.3250", "Trunk", "", "="},
      {"C300 F08511250 TN DN LN", 300, "851.1250", "Trunk", "=", "="},
      {"C000 F01553250 TF DN LF", 0, "", "", "", ""},
      {"C301 F01553250 TF DN LF", 0, "", "", "", ""},
      {"C062 F0155325", 0, "", "", "", ""},
      {"C0A2 F01553250 TF DN LF", 0, "", "", "", ""},
      {"ERR", 0, "", "", "", ""},
  };
  for (const auto& c : channel_lines) {
    FreqDirectory dir;
    dir[62].type = "POL";
    dir[62].name = "Dispatch";
    const auto n = ApplyChannelReply(c.line, dir, ',');
    ASSERT_EQ(n.value_or(0), c.channel) << c.line;
    if (!n) continue;
    const FreqChannel& ch = dir[*n];
    EXPECT_EQ(ch.channel, c.channel);
    EXPECT_EQ(ch.frequency, std::string(c.frequency).replace(3, 1, ","));
    EXPECT_EQ(ch.mode, c.mode);
    EXPECT_EQ(ch.delay, c.delay);
    EXPECT_EQ(ch.lockout, c.lockout);
    if (*n == 62) {
      EXPECT_EQ(ch.type + ch.name, "POLDispatch") << "type and name are the directory's";
    }
  }

  const struct {
    std::string line;
    IdReply kind;
    int bank_after;
    int entry;
    const char *channel, *id;
  } id_lines[] = {
      {"TB B SYSTEM TWO", IdReply::TrunkBank, 2, 0, "", ""},
      {"IC C0 004128", IdReply::IdChannel, 2, 30, "3-10", "004128"},
      {"IC A1 \xFE" "12\xFE" "4", IdReply::IdChannel, 2, 1, "1-1", "=12=4"},
      {"IC K1 000001", IdReply::Refused, 2, 0, "", ""},
      {"TB K NOWHERE", IdReply::Refused, 0, 0, "", ""},
      {"OK", IdReply::Other, 2, 0, "", ""},
  };
  for (const auto& c : id_lines) {
    IdDirectory dir;
    int bank = 2;
    std::string system;
    EXPECT_EQ(ApplyIdReply(c.line, dir, bank, system), c.kind) << c.line;
    EXPECT_EQ(bank, c.bank_after) << c.line;
    if (c.entry) {
      EXPECT_EQ(dir.at(2, c.entry).channel, c.channel);
      EXPECT_EQ(dir.at(2, c.entry).id, c.id);
    }
  }
  // After a refused bank letter, the IC replies that follow it store nothing.
  IdDirectory dir;
  int bank = 0;
  std::string system;
  EXPECT_EQ(ApplyIdReply("IC A1 000001", dir, bank, system), IdReply::Refused);

  bool overflow = false;
  EXPECT_EQ(SplitReplyLines("first\r\rthird\rtail", 10, &overflow), (std::vector<std::string>{"first", "", "third"}));
  EXPECT_FALSE(overflow);
  EXPECT_EQ(SplitReplyLines("a\rb\rc\r", 2, &overflow).size(), 2u);
  EXPECT_TRUE(overflow);
}

TEST(DirectoryEditors, SaveAndDeleteTouchOnlyTheirOwnRecords) {
  Bench b;
  // A full file first, so that every byte outside the saved bank can be compared.
  for (int bank = 1; bank <= 10; ++bank) ASSERT_FALSE(WriteBank(b.freq_file, b.freq, bank));
  const std::string before = Slurp(b.folder.file("bank.dat"));
  ASSERT_EQ(before.size(), 300 * kFreqRecordLength);
  ApplyChannelReply("C062 F01553250 TF DF LN", b.freq, '.');  // delay off, locked out

  b.freq_dir.BankCmb_Click("3");
  b.freq_dir.FreqList_Select(2);
  EXPECT_EQ(b.freq_dir.panel().ChBox, "62");
  b.freq_dir.SaveImg_Click({"62", "999.9999", "  POLICE ", " Fire Dispatch  "});
  const FreqChannel& c = b.freq[62];
  EXPECT_EQ(c.frequency + c.type + c.name + c.delay + c.lockout + c.mode, "155.3250POLFire Dispatch=Normal")
      << "save names the channel and keeps what the scanner reported";
  std::string after = Slurp(b.folder.file("bank.dat"));
  EXPECT_EQ(after.substr(0, 60 * kFreqRecordLength), before.substr(0, 60 * kFreqRecordLength));
  EXPECT_EQ(after.substr(90 * kFreqRecordLength), before.substr(90 * kFreqRecordLength));
  EXPECT_EQ(after.substr(61 * kFreqRecordLength, kFreqRecordLength),
            "62 01553250POLFire Dispatch" + std::string(27, ' ') + "FNF" + std::string(11, ' '));

  b.freq_dir.DeleteImg_Click("62");
  after = Slurp(b.folder.file("bank.dat"));
  const FreqChannel reloaded = DecodeFreqRecord(after.substr(61 * kFreqRecordLength, kFreqRecordLength), '.');
  for (const FreqChannel* ch : {static_cast<const FreqChannel*>(&b.freq[62]), &reloaded})
    EXPECT_EQ(ch->frequency + "|" + ch->type + ch->name + ch->delay + "|" + ch->lockout + "|" + ch->mode,
              "000.0000||=|Normal")
        << "a deleted channel reads back as the grid shows it";

  const std::string saved = after;
  b.freq_dir.writeFile = false;
  b.freq_dir.SaveImg_Click({"62", "", "AIR", "Tower"});
  EXPECT_EQ(b.freq[62].name, "Tower");
  b.freq_dir.writeFile = true;
  for (const char* bank : {"11", "abc"}) {
    b.freq_dir.BankCmb_Click(bank);
    b.freq_dir.SaveImg_Click({"62", "", "MED", "Changed"});
    b.freq_dir.DeleteImg_Click("62");
    b.freq_dir.OkCmd_Click();
    EXPECT_TRUE(b.freq_dir.grid().empty());
  }
  EXPECT_EQ(b.freq[62].name, "Tower");
  EXPECT_EQ(Slurp(b.folder.file("bank.dat")), saved) << "unticked File, or no valid bank: bank.dat untouched";

  // The ID window: rows outside the ten shown select nothing; OK writes.
  for (int bank = 1; bank <= 10; ++bank)
    for (int g = 1; g <= 10; ++g) ASSERT_FALSE(WriteIdBank(b.id_file, b.ids, bank, g));
  const std::string ids_before = Slurp(b.folder.file("idbank.dat"));
  b.id_dir.BankText = "2";
  b.id_dir.IDBankText = "4";
  b.id_dir.IDBankCmb_Click();
  ASSERT_EQ(b.id_dir.grid().size(), 10u);
  const struct {
    int row, entry;
  } rows[] = {{0, 0}, {1, 31}, {10, 40}, {11, 0}};
  for (const auto& r : rows) {
    b.id_dir.IDList_Select(r.row);
    EXPECT_EQ(b.id_dir.selectedEntry(), r.entry) << r.row;
  }
  b.id_dir.SaveImg_Click({"", "", "POL", "Nothing"});
  EXPECT_EQ(Slurp(b.folder.file("idbank.dat")), ids_before) << "no row, no save";

  b.id_dir.IDList_Select(2);
  EXPECT_EQ(b.id_dir.NameBox_Change({"4-2", "000123", "FDP", "Fire\r\n"}), "Fire") << "Enter saves";
  EXPECT_EQ(b.ids.at(2, 32).name + b.ids.at(2, 32).type + b.ids.at(2, 32).id, "FireFDP000123");
  b.id_dir.IDList_Select(3);
  b.id_dir.DeleteImg_Click();
  EXPECT_EQ(b.id_dir.grid()[2][1] + b.id_dir.grid()[2][5], "------=");
  const std::string ids_after = Slurp(b.folder.file("idbank.dat"));
  const std::size_t first = IdRecordNumber(2, 31) - 1, len = kIdRecordLength;
  EXPECT_EQ(ids_after.substr(0, first * len), ids_before.substr(0, first * len));
  EXPECT_EQ(ids_after.substr((first + 10) * len), ids_before.substr((first + 10) * len));
  EXPECT_EQ(DecodeIdRecord(ids_after.substr((first + 1) * len, len)).name, "Fire");

  b.ids.find(2, 35)->name = "Edited";
  b.id_dir.OkCmd_Click();
  EXPECT_EQ(DecodeIdRecord(Slurp(b.folder.file("idbank.dat")).substr((first + 4) * len, len)).name, "Edited");

  b.id_dir.IDBankText = "11";
  b.id_dir.FormatGrid();
  EXPECT_TRUE(b.id_dir.grid().empty());
  EXPECT_EQ(b.reporter.messages.back(), EmailReport("Formatting Grid Error : ", {errc::kSubscriptOutOfRange, ""}));
}

TEST(DirectoryReads, ClosingTheWindowOrASecondReadNeverStrandsThePoll) {
  Bench b;
  b.freq_dir.fromScanner = b.id_dir.fromScanner = true;
  b.freq_dir.BankCmb_Click("1");
  b.freq_dir.ChTimer_Timer();
  b.id_dir.BankText = b.id_dir.IDBankText = "1";
  b.id_dir.IDBankCmb_Click();
  EXPECT_FALSE(b.id_dir.reading()) << "the frequency read holds the link";
  ASSERT_EQ(b.reporter.messages.size(), 1u);
  EXPECT_EQ(b.reporter.messages[0], kLinkBusyText);
  b.sent();
  b.freq_dir.Close();
  EXPECT_EQ(b.sent(), std::vector<std::string>{"QUN"});
  EXPECT_TRUE(b.poll.enabled());
  b.freq_dir.ChTimer_Timer();
  EXPECT_TRUE(b.sent().empty()) << "a closed read sends nothing more";

  b.id_dir.IDBankCmb_Click();
  b.id_dir.IDTimer_Timer();
  b.id_dir.IDTimer_Timer();  // in the pause
  b.sent();
  b.port.incoming = "IC A1 000001\r";
  b.id_dir.Close();
  EXPECT_EQ(b.sent(), (std::vector<std::string>{"QUN", "IDN"}));
  EXPECT_TRUE(b.poll.enabled());
  b.clock.advance(2s);
  b.id_dir.IDTimer_Timer();
  EXPECT_EQ(b.ids.at(1, 1).id, "") << "what was collected is dropped";

  // A scanner that never answers: the read waits its bound, then says so.
  b.freq_dir.BankCmb_Click("2");
  int ticks = 0;
  while (b.freq_dir.reading() && ticks < 100) {
    b.freq_dir.ChTimer_Timer();
    ++ticks;
  }
  EXPECT_EQ(ticks, 6 + kSilentTicksBound);
  EXPECT_TRUE(b.poll.enabled());
  EXPECT_EQ(b.reporter.messages.back(), "30 of the 30 channels of bank 2 did not answer; they keep what the directory held.");
}

TEST(DirectoryReads, ASlowScannersLateRepliesAreKeptAfterFiveSilentTicks) {
  // A scanner that answers the whole bank only after the schedule and then some
  // silence (0.7 s, 0.875 s, ...): the read waits six silent ticks for it.
  for (const int late : {1, 4, 5}) {
    Bench b;
    b.freq_dir.fromScanner = true;
    std::string held;
    b.port.on_write = [&] {
      const std::string last = b.port.commands().back();
      if (const int n = last.rfind("PM", 0) == 0 ? ListValue(last.substr(2)) : 0)
        held += ChannelLine(n, FormatPadded(1000000 + n * 10, 8).c_str(), 'F', 'N', 'F') + "\r";
    };
    b.freq_dir.BankCmb_Click("1");
    int ticks = 0;
    for (; b.freq_dir.reading() && ticks < 100; ++ticks) {
      if (ticks == 6 + late) b.port.incoming += std::exchange(held, "");
      b.freq_dir.ChTimer_Timer();
    }
    EXPECT_EQ(b.freq[30].frequency, "100.0300") << late << " silent ticks";
    EXPECT_TRUE(b.reporter.messages.empty()) << late << " silent ticks";
  }
}

TEST(BatchReads, BankAfterBankAsTodayCancelKeepsNothingOfTheUnfinishedBank) {
  Bench b;
  GatheredReports reports{b.reporter};
  FreqDirCore freq{ReadLink(b.link, b.poll, b.hold), reports, b.freq, b.freq_file, '.'};
  FreqBankRead bank_read{freq};
  BatchRead batch{bank_read, reports, "Bank"};
  int silent = 0;  // a channel the scanner leaves unanswered
  b.port.on_write = [&] {
    const std::string last = b.port.commands().back();
    if (const int n = last.rfind("PM", 0) == 0 ? ListValue(last.substr(2)) : 0; n && n != silent)
      b.port.incoming += ChannelLine(n, FormatPadded(1000000 + n * 10, 8).c_str(), 'F', 'N', 'F') + "\r";
  };
  auto bank_commands = [](int bank, bool complete) {
    std::vector<std::string> out{"QUF"};
    for (const std::string& pm : Range("PM", bank * 30 - 29, bank * 30, 3)) out.push_back(pm);
    if (complete) out.push_back("QUN");
    return out;
  };
  b.freq[61].frequency = "162.5500";
  ASSERT_TRUE(batch.start());
  std::vector<std::string> expected;
  for (int bank = 1; bank <= 2; ++bank) {
    for (int tick = 0; tick < 7; ++tick) batch.tick();  // today's seven ticks a bank
    for (const std::string& c : bank_commands(bank, true)) expected.push_back(c);
  }
  for (int tick = 0; tick < 6; ++tick) batch.tick();  // bank 3 sent, replies on the line
  EXPECT_EQ(batch.progressText(), "Bank 3 of 10");
  EXPECT_FALSE(b.poll.enabled());
  batch.cancel();
  for (const std::string& c : bank_commands(3, true)) expected.push_back(c);
  EXPECT_EQ(b.sent(), expected);
  EXPECT_TRUE(b.poll.enabled() && b.hold.owner == nullptr) << "the poll is back";
  EXPECT_EQ(b.freq[60].frequency + "|" + b.freq[61].frequency, "100.0600|162.5500") << "nothing of bank 3 is kept";
  EXPECT_EQ(freq.grid()[0][1], "162.5500") << "the grid shows bank 3 as the directory holds it";
  EXPECT_EQ(batch.progressText(), "Stopped: 2 of 10 read");
  batch.OkCmd_Click();
  const std::string file = Slurp(b.folder.file("bank.dat"));
  ASSERT_EQ(file.size(), 60 * kFreqRecordLength) << "OK writes the two banks read, and only those";
  EXPECT_EQ(DecodeFreqRecord(file.substr(59 * kFreqRecordLength, kFreqRecordLength), '.').frequency, "100.0600");

  // A whole batch with one channel silent: that bank waits for it as today, and
  // the one report comes at the end.
  silent = 140;
  ASSERT_TRUE(batch.start());
  int ticks = 0;
  for (; batch.running() && ticks < 500; ++ticks) {
    EXPECT_EQ(b.reporter.messages.size(), 0u);
    batch.tick();
  }
  EXPECT_EQ(ticks, 10 * 7 + kSilentTicksBound);
  EXPECT_EQ(b.freq[300].frequency, "100.3000");
  EXPECT_TRUE(b.poll.enabled() && b.hold.owner == nullptr);
  EXPECT_EQ(b.reporter.messages, std::vector<std::string>{"1 of the 30 channels of bank 5 did not answer; they keep what the directory held."});
  EXPECT_EQ(batch.progressText(), "Done: 10 of 10 read");
}

TEST(BatchReads, TheWholeTrunkBankIsItsTenIdBanksEachReadAsToday) {
  Bench b;
  GatheredReports reports{b.reporter};
  IdDirCore ids{ReadLink(b.link, b.poll, b.hold), reports, b.clock, b.ids, b.id_file};
  IdBankRead bank_read{ids};
  BatchRead batch{bank_read, reports, "ID Bank"};
  b.port.on_write = [&] {
    const std::string last = b.port.commands().back();
    if (last == "TB") b.port.incoming += "TB B SYSTEM TWO\r";
    if (last.rfind("IC ", 0) == 0) b.port.incoming += last + " " + std::to_string(last[3] - 'A' + 1) + "-0" + last[4] + "\r";
  };
  ids.BankText = "2";
  ASSERT_TRUE(batch.start());
  int ticks = 0;
  for (; batch.running() && ticks < 2000; ++ticks) {
    batch.tick();
    b.clock.advance(50ms);  // the pause after each ID bank runs on the clock
  }
  const std::vector<std::string> sent = b.sent();
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "IDF"), 10) << "one of today's reads for each ID bank";
  EXPECT_EQ(std::vector(sent.begin(), sent.begin() + 13),
            (std::vector<std::string>{"QUF", "IDF", "TB", "IC A0", "IC A1", "IC A2", "IC A3", "IC A4", "IC A5", "IC A6",
                                       "IC A7", "IC A8", "IC A9"}));
  EXPECT_EQ(b.ids.at(2, 100).id, "10-00");
  EXPECT_EQ(b.ids.at(3, 1).id, "") << "only the chosen trunk bank";
  EXPECT_TRUE(b.poll.enabled() && b.hold.owner == nullptr);
  EXPECT_EQ(batch.progressText(), "Done: 10 of 10 read");
  batch.OkCmd_Click();
  const std::string file = Slurp(b.folder.file("idbank.dat"));
  ASSERT_EQ(file.size(), 200 * kIdRecordLength) << "OK writes trunk bank 2";
  EXPECT_EQ(DecodeIdRecord(file.substr(199 * kIdRecordLength, kIdRecordLength)).id, "10-00");
}
