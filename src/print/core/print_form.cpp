#include "print/core/print_form.h"

#include <algorithm>
#include <cmath>

#include "common/core/desktop.h"
#include "common/core/text.h"

namespace scandeck {

std::optional<int> BankFromText(const std::string& text) {
  const double value = NumericValue(text);
  // Only whole banks 1..10: a negative or fractional bank would address records
  // outside the bank lists.
  if (value < 1 || value > 10 || value != std::floor(value)) return std::nullopt;
  return static_cast<int>(value);
}

std::optional<int> ScrollForCopiesText(const std::string& text) {
  const double value = NumericValue(text);
  if (value == 0) return std::nullopt;
  return std::clamp(static_cast<int>(std::clamp(value, -1e6, 1e6)), kMinCopies, kMaxCopies);
}

int CopiesFromText(const std::string& text) {
  return std::clamp(static_cast<int>(std::clamp(NumericValue(text), -1e6, 1e6)), kMinCopies, kMaxCopies);
}

void PrintFormCore::Form_Load(const std::vector<PrinterInfo>& printers, const std::string& current) {
  items_.clear();
  loaded_text_ = current;
  current_ = current;
  for (const PrinterInfo& p : printers) {
    items_.push_back(p.name);
    current_ = p.name;
  }
  if (printers.empty()) {
    items_.push_back(kPdfFileEntry);
    loaded_text_ = current_ = kPdfFileEntry;
  }
}

std::optional<PrintPlan> PrintFormCore::PrintCmd_Click(const std::string& freq_bank, const std::string& id_bank,
                                                       const std::string& wanted, const std::string& copies,
                                                       const std::vector<PrinterInfo>& printers, Desktop& desktop) {
  const std::optional<int> bank = BankFromText(freq_bank);
  if (!bank) {
    desktop.warn(kPrintCheckTitle, kInvalidFreqBank);
    return std::nullopt;
  }
  PrintPlan plan;
  plan.bank = *bank;
  plan.ids = ids_;
  if (ids_) {
    const std::optional<int> group = BankFromText(id_bank);
    if (!group) {
      desktop.warn(kPrintCheckTitle, kInvalidIdBank);
      return std::nullopt;
    }
    plan.id_bank = *group;
  }
  if (printers.empty()) {
    current_ = kPdfFileEntry;
  } else {
    for (const PrinterInfo& p : printers) {
      if (!p.portrait) continue;
      current_ = p.name;
      if (p.name == wanted) break;
    }
  }
  plan.printer = current_;
  plan.copies = CopiesFromText(copies);
  return plan;
}

ListPage PlanPage(const PrintPlan& plan, const FreqDirectory& channels, const IdDirectory& ids,
                  const PageHeader& header, PageMetrics& metrics) {
  return plan.ids ? IdBankPage(ids, plan.bank, plan.id_bank, header, metrics)
                  : FreqBankPage(channels, plan.bank, header, metrics);
}

}  // namespace scandeck
