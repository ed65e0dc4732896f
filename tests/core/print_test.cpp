// The printed list page as drawing operations, and the printing window's rules.
#include <gtest/gtest.h>

#include <memory>

#include "common/core/contact.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "print/core/print_form.h"
#include "print/core/print_queue.h"
#include "support/fake_desktop.h"

using namespace scandeck;
using scandeck::testing::FakeDesktop;

namespace {

// Every character 10 twips wide per point; a line 23 twips per point.
class FakeMetrics final : public PageMetrics {
 public:
  int textWidth(std::string_view text, const PrintFont& font) override {
    return static_cast<int>(text.size()) * font.size * 10;
  }
  int lineHeight(const PrintFont& font) override { return font.size * 23; }
};

const PageHeader kHeader{"07/12/2026", "14:05:09", "Jo Listener"};

const PageText* Find(const ListPage& page, const std::string& text) {
  for (const PageText& t : page.texts)
    if (t.text == text) return &t;
  return nullptr;
}

std::vector<int> RuleYs(const ListPage& page, int length) {
  std::vector<int> ys;
  for (const PageLine& l : page.lines)
    if (l.x2 - l.x1 == length) ys.push_back(l.y);
  return ys;
}

}  // namespace

// Both page kinds, every kind of text on them at its place: the header, the titles,
// each column of a row, the first and last rows of the bank, and an empty record.
TEST(ListPage, EveryTextStandsAtItsPlace) {
  FakeMetrics m;
  auto channels = std::make_unique<FreqDirectory>();
  for (int k = 1; k <= kFreqChannels; ++k) {
    (*channels)[k].channel = k;
    (*channels)[k].type = "POL";
    (*channels)[k].name = "Channel " + std::to_string(k);
  }
  (*channels)[271].name = std::string(40, 'W');  // a full-length name prints whole
  (*channels)[272] = FreqChannel{};              // an empty record still has its row
  auto ids = std::make_unique<IdDirectory>();
  for (int e = 1; e <= kIdEntriesPerBank; ++e)
    *ids->find(3, e) = DecodeIdRecord(EncodeIdRecord({std::to_string((e - 1) / 10 + 1) + "-" + std::to_string((e - 1) % 10 + 1),
                                                      "4" + std::to_string(e), "FDP", "Talkgroup " + std::to_string(e), "", "Normal"}));
  *ids->find(3, 45) = DecodeIdRecord(std::string(kIdRecordLength, '\0'));
  *ids->find(4, 41) = DecodeIdRecord(EncodeIdRecord({"5-1", "999", "BAD", "Other bank", "", ""}));
  const ListPage bank1 = FreqBankPage(*channels, 1, kHeader, m), bank10 = FreqBankPage(*channels, 10, kHeader, m);
  const ListPage id_page = IdBankPage(*ids, 3, 5, kHeader, m);

  const int first = 2095, second = 2095 + 14 * 23, freq_top = 3400 + 24 * 23 + 350, row = 11 * 23;
  const int id_title = 3400 + 20 * 23 + 100, id_top = id_title + 24 * 23 + 350, id_row = 12 * 23;
  const std::string date_time = "07/12/2026  14:05", credit = contact::kAuthorCredit, mail = contact::kAuthorMailAddress;
  const struct {
    const ListPage* page;
    std::string text;
    int size, x, y;  // size 0: absent
  } rows[] = {
      {&bank1, credit, 14, 11500 - int(credit.size()) * 140, first},
      {&bank1, date_time, 18, 5750 - int(date_time.size()) * 180 / 2, first},
      {&bank1, "ScanDeck", 14, 0, first},
      {&bank1, contact::kWebAddress, 12, 0, second},
      {&bank1, "Jo Listener", 18, 5750 - 11 * 180 / 2, second},
      {&bank1, mail, 12, 11500 - int(mail.size()) * 120, second},
      {&bank1, "Freq Bank 1", 24, 5750 - 11 * 240 / 2, 3400},
      {&bank1, "Ch 1", 11, 1300, freq_top},
      {&bank1, "Channel 1", 11, 6400, freq_top},
      {&bank1, "Ch 30", 11, 1300, freq_top + 29 * row},
      {&bank1, "Ch 31", 0, 0, 0},
      {&bank10, "Ch 271", 11, 1300, freq_top},
      {&bank10, "000.0000 MHz", 11, 2400, freq_top},
      {&bank10, "Normal", 11, 4300, freq_top},
      {&bank10, "POL", 11, 5500, freq_top},
      {&bank10, std::string(40, 'W'), 11, 6400, freq_top},
      {&bank10, "Ch 0", 11, 1300, freq_top + row},
      {&bank10, "Channel 300", 11, 6400, freq_top + 29 * row},
      {&bank10, "Ch 270", 0, 0, 0},
      {&id_page, "Freq Bank 3", 20, 5750 - 11 * 200 / 2, 3400},
      {&id_page, "ID Bank 5", 24, 5750 - 9 * 240 / 2, id_title},
      {&id_page, "Ch 5-1", 12, 1300, id_top},
      {&id_page, "441", 12, 2400, id_top},
      {&id_page, "Talkgroup 41", 12, 4500, id_top},
      {&id_page, "Ch ", 12, 1300, id_top + 4 * id_row},  // the empty record: nothing else of it
      {&id_page, "Talkgroup 50", 12, 4500, id_top + 9 * id_row},
      {&id_page, "Talkgroup 40", 0, 0, 0},
      {&id_page, "Talkgroup 51", 0, 0, 0},
      {&id_page, "Other bank", 0, 0, 0},
  };
  for (const auto& r : rows) {
    const PageText* t = Find(*r.page, r.text);
    if (!r.size) {
      EXPECT_EQ(t, nullptr) << r.text;
      continue;
    }
    ASSERT_NE(t, nullptr) << r.text;
    EXPECT_EQ(*t, (PageText{r.text, {r.size, 1}, r.x, r.y})) << r.text;
  }
  int in_empty_row = 0, types = 0;
  for (const PageText& t : id_page.texts) {
    in_empty_row += t.y == id_top + 4 * id_row;
    types += t.text == "FDP" && t.x == 3600;
  }
  EXPECT_EQ(in_empty_row, 1);
  EXPECT_EQ(types, 9);
  EXPECT_EQ(bank1.texts.size(), 7u + 30 * 5);

  std::vector<int> outer, inner;
  for (int y = 1900; y <= 1950; ++y) outer.push_back(y);
  for (int y = 3000; y <= 3050; ++y) outer.push_back(y);
  for (int y = 2000; y <= 2020; ++y) inner.push_back(y);
  for (int y = 2900; y <= 2920; ++y) inner.push_back(y);
  EXPECT_EQ(RuleYs(bank1, 11500), outer);
  EXPECT_EQ(RuleYs(bank1, 11300), inner);
  EXPECT_EQ(bank1.lines.size(), outer.size() + inner.size());
  for (const PageLine& l : bank1.lines) EXPECT_EQ(l.x1 + l.x2, 2 * kPrintCentreTwips);
}

TEST(PrintForm, BankChecksComeBeforeAnythingIsPrinted) {
  struct Case {
    bool ids;
    std::string freq, id;
    std::string warning;  // empty: printed
  } cases[] = {
      {false, "", "", kInvalidFreqBank},   {false, "0", "", kInvalidFreqBank},  {false, "11", "", kInvalidFreqBank},
      {false, "abc", "", kInvalidFreqBank}, {false, "-1", "", kInvalidFreqBank}, {false, "2.5", "", kInvalidFreqBank},
      {false, "10", "", ""},                {false, "1", "junk", ""},            {true, "", "3", kInvalidFreqBank},
      {true, "3", "", kInvalidIdBank},      {true, "3", "11", kInvalidIdBank},   {true, "3", "5", ""},
  };
  for (const Case& c : cases) {
    PrintFormCore form;
    form.Form_Load({{"Office", true}}, "Office");
    if (c.ids) form.IDOption_Click();
    FakeDesktop desktop;
    const auto plan = form.PrintCmd_Click(c.freq, c.id, "Office", "1", {{"Office", true}}, desktop);
    EXPECT_EQ(plan.has_value(), c.warning.empty()) << c.freq << "/" << c.id;
    EXPECT_EQ(desktop.events, c.warning.empty() ? std::vector<std::string>{}
                                                : std::vector<std::string>{"warn heyhey !: " + c.warning});
    if (plan) {
      EXPECT_EQ(plan->ids, c.ids);
      EXPECT_EQ(plan->bank, std::stoi(c.freq));
      if (c.ids) {
        EXPECT_EQ(plan->id_bank, std::stoi(c.id));
      }
    }
  }
}

TEST(PrintForm, PrinterChoiceAndCopies) {
  const std::vector<PrinterInfo> system{{"Laser", true}, {"Wide", false}, {"Inkjet", true}, {"Label", false}};
  const std::vector<PrinterInfo> all_landscape{{"Wide", false}, {"Label", false}};
  struct Case {
    std::vector<PrinterInfo> printers;
    std::string wanted, chosen;
  } cases[] = {
      {system, "Laser", "Laser"},  {system, "Inkjet", "Inkjet"},        {system, "Wide", "Inkjet"},
      {system, "Nobody", "Inkjet"}, {all_landscape, "Wide", "Label"}, {{}, "", kPdfFileEntry},
  };
  for (const Case& c : cases) {
    PrintFormCore form;
    form.Form_Load(c.printers, c.printers.empty() ? "" : c.printers.front().name);
    FakeDesktop desktop;
    EXPECT_EQ(form.PrintCmd_Click("1", "", c.wanted, "1", c.printers, desktop)->printer, c.chosen) << c.wanted;
  }
  PrintFormCore form;
  form.Form_Load(system, "Wide");
  EXPECT_EQ(form.printerText(), "Wide") << "the printer that was current";
  EXPECT_EQ(form.printerItems(), (std::vector<std::string>{"Laser", "Wide", "Inkjet", "Label"}));
  EXPECT_EQ(form.currentPrinter(), "Label");

  struct Copies {
    std::string text;
    std::optional<int> scroll;
    int copies;
  } copies[] = {{"5", 5, 5}, {"0", std::nullopt, 1}, {"", std::nullopt, 1}, {"abc", std::nullopt, 1},
                {"150", 99, 99}, {"-3", 1, 1},       {"2.7", 2, 2},         {"99", 99, 99}};
  for (const Copies& c : copies) {
    EXPECT_EQ(ScrollForCopiesText(c.text), c.scroll) << c.text;
    EXPECT_EQ(CopiesFromText(c.text), c.copies) << c.text;
  }
}

TEST(PrintQueue, RefusalsAndFailedJobsNameTheirCause) {
  const QueueState idle{true, kQueueIdle, "none"};
  const QueueState stopped{true, kQueueStopped, "paused"};
  const QueueState jammed{true, kQueueStopped, "media-jam-error,toner-low-report"};
  struct Case {
    QueueState queue;
    std::optional<int> job;
    std::string refusal, failure;
  } cases[] = {
      {idle, kJobCompleted, "", ""},
      {{true, kQueueProcessing, "none"}, kJobPending, "", ""},
      {{false, kQueueIdle, "none"}, std::nullopt, "the printer does not accept jobs", ""},
      {{false, kQueueStopped, "paused"}, kJobPending, "the printer does not accept jobs", "the printer is stopped"},
      {stopped, kJobPending, "the printer is stopped", "the printer is stopped"},
      {jammed, std::nullopt, "the printer is stopped (media-jam)", "the printer is stopped (media-jam)"},
      {stopped, kJobCompleted, "the printer is stopped", ""},
      {idle, kJobAborted, "", "the printer aborted the job"},
      {idle, kJobCanceled, "", "the job was canceled"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QueueRefusal(c.queue), c.refusal) << c.queue.reasons;
    EXPECT_EQ(JobFailure(c.job, c.queue), c.failure) << c.queue.reasons << " " << c.job.value_or(0);
  }
}
