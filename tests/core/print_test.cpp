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

TEST(ListPage, HeaderFramesAndTextsStandAtTheirPlaces) {
  FakeMetrics m;
  auto channels = std::make_unique<FreqDirectory>();
  const ListPage page = FreqBankPage(*channels, 1, kHeader, m);

  std::vector<int> outer, inner;
  for (int y = 1900; y <= 1950; ++y) outer.push_back(y);
  for (int y = 3000; y <= 3050; ++y) outer.push_back(y);
  for (int y = 2000; y <= 2020; ++y) inner.push_back(y);
  for (int y = 2900; y <= 2920; ++y) inner.push_back(y);
  EXPECT_EQ(RuleYs(page, 11500), outer);
  EXPECT_EQ(RuleYs(page, 11300), inner);
  EXPECT_EQ(page.lines.size(), outer.size() + inner.size());
  for (const PageLine& l : page.lines) EXPECT_EQ(l.x1 + l.x2, 2 * kPrintCentreTwips);

  const int first = 2095, second = 2095 + 14 * 23;
  const std::string date_time = "07/12/2026  14:05";
  struct Row {
    std::string text;
    int size, x, y;
  } rows[] = {
      {contact::kAuthorCredit, 14, 11500 - int(std::string(contact::kAuthorCredit).size()) * 140, first},
      {date_time, 18, 5750 - int(date_time.size()) * 180 / 2, first},
      {"ScanDeck", 14, 0, first},
      {contact::kWebAddress, 12, 0, second},
      {"Jo Listener", 18, 5750 - 11 * 180 / 2, second},
      {contact::kAuthorMailAddress, 12, 11500 - int(std::string(contact::kAuthorMailAddress).size()) * 120, second},
      {"Freq Bank 1", 24, 5750 - 11 * 240 / 2, 3400},
  };
  for (const Row& r : rows) {
    const PageText* t = Find(page, r.text);
    ASSERT_NE(t, nullptr) << r.text;
    EXPECT_EQ(*t, (PageText{r.text, {r.size, 1}, r.x, r.y})) << r.text;
  }
}

TEST(ListPage, FrequencyBankRowsInOrderWithEveryField) {
  FakeMetrics m;
  auto channels = std::make_unique<FreqDirectory>();
  for (int k = 1; k <= kFreqChannels; ++k) {
    (*channels)[k].channel = k;
    (*channels)[k].type = "POL";
    (*channels)[k].name = "Channel " + std::to_string(k);
  }
  (*channels)[271].name = std::string(40, 'W');  // a full-length name prints whole
  (*channels)[272] = FreqChannel{};              // an empty record still has its row
  for (int bank : {1, 10}) {
    const ListPage page = FreqBankPage(*channels, bank, kHeader, m);
    const int top = 3400 + 24 * 23 + 350;
    for (int row = 0; row < 30; ++row) {
      const int k = 30 * bank - 29 + row;
      const int y = top + row * 11 * 23;
      const PageText* ch = Find(page, "Ch " + std::to_string((*channels)[k].channel));
      ASSERT_NE(ch, nullptr) << k;
      EXPECT_EQ(ch->x, 1300);
      if (k == 272) {
        EXPECT_EQ(*Find(page, "Ch 0"), (PageText{"Ch 0", {11, 1}, 1300, y}));
        continue;
      }
      EXPECT_EQ(ch->y, y) << k;
      const PageText* name = Find(page, (*channels)[k].name);
      ASSERT_NE(name, nullptr) << k;
      EXPECT_EQ(name->x, 6400);
      EXPECT_EQ(name->y, y);
    }
    EXPECT_EQ(Find(page, "Ch " + std::to_string(30 * bank - 30)), nullptr) << "nothing from the bank before";
    EXPECT_EQ(Find(page, "Ch " + std::to_string(30 * bank + 1)), nullptr) << "nothing from the bank after";
  }
  const ListPage last = FreqBankPage(*channels, 10, kHeader, m);
  const int y = Find(last, "Ch 271")->y;
  for (auto [text, x] : std::vector<std::pair<std::string, int>>{
           {"000.0000 MHz", 2400}, {"Normal", 4300}, {"POL", 5500}, {std::string(40, 'W'), 6400}}) {
    bool found = false;
    for (const PageText& t : last.texts) found |= t.text == text && t.x == x && t.y == y;
    EXPECT_TRUE(found) << text;
  }
}

TEST(ListPage, IdBankRowsOfTheTrunkBankLeaveNeverWrittenFieldsOut) {
  FakeMetrics m;
  auto ids = std::make_unique<IdDirectory>();
  for (int e = 1; e <= kIdEntriesPerBank; ++e) {
    IdEntry& entry = *ids->find(3, e);
    entry = DecodeIdRecord(EncodeIdRecord({std::to_string((e - 1) / 10 + 1) + "-" + std::to_string((e - 1) % 10 + 1),
                                           "4" + std::to_string(e), "FDP", "Talkgroup " + std::to_string(e), "", "Normal"}));
  }
  *ids->find(3, 45) = DecodeIdRecord(std::string(kIdRecordLength, '\0'));
  *ids->find(4, 41) = DecodeIdRecord(EncodeIdRecord({"5-1", "999", "BAD", "Other bank", "", ""}));

  const ListPage page = IdBankPage(*ids, 3, 5, kHeader, m);
  EXPECT_EQ(*Find(page, "Freq Bank 3"), (PageText{"Freq Bank 3", {20, 1}, 5750 - 11 * 200 / 2, 3400}));
  const int title = 3400 + 20 * 23 + 100;
  EXPECT_EQ(*Find(page, "ID Bank 5"), (PageText{"ID Bank 5", {24, 1}, 5750 - 9 * 240 / 2, title}));
  const int top = title + 24 * 23 + 350;
  for (int e = 41; e <= 50; ++e) {
    const int y = top + (e - 41) * 12 * 23;
    const std::string ch = "Ch 5-" + std::to_string(e - 40);
    if (e == 45) {
      // Only "Ch " and nothing of the record: no ID, type or name.
      int in_row = 0;
      for (const PageText& t : page.texts) in_row += t.y == y;
      EXPECT_EQ(in_row, 1);
      EXPECT_EQ(*Find(page, "Ch "), (PageText{"Ch ", {12, 1}, 1300, y}));
      continue;
    }
    EXPECT_EQ(*Find(page, ch), (PageText{ch, {12, 1}, 1300, y}));
    EXPECT_EQ(*Find(page, "4" + std::to_string(e)), (PageText{"4" + std::to_string(e), {12, 1}, 2400, y}));
    const std::string name = "Talkgroup " + std::to_string(e);
    EXPECT_EQ(*Find(page, name), (PageText{name, {12, 1}, 4500, y}));
  }
  EXPECT_EQ(Find(page, "Talkgroup 40"), nullptr);
  EXPECT_EQ(Find(page, "Talkgroup 51"), nullptr);
  EXPECT_EQ(Find(page, "Other bank"), nullptr);
  int types = 0;
  for (const PageText& t : page.texts) types += t.text == "FDP" && t.x == 3600;
  EXPECT_EQ(types, 9);
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
