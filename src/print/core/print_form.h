#pragma once
// The rules of the list printing window: which bank, which printer, how many
// copies. The window shows this state and hands a plan to the printer adapter.
#include <optional>
#include <string>
#include <vector>

#include "print/core/list_page.h"

namespace scandeck {

class Desktop;

inline constexpr const char* kPrintCheckTitle = "heyhey !";
inline constexpr const char* kInvalidFreqBank = "Invalid Freq Bank!";
inline constexpr const char* kInvalidIdBank = "Invalid ID Bank!";
inline constexpr const char* kFreqInfo = "Only Freq's Will be Print!";
inline constexpr const char* kIdInfo = "Only ID's Will be Print!";
// Offered in the printer list when the system has no printer: the page goes to a
// PDF file the user names.
inline constexpr const char* kPdfFileEntry = "PDF file";
inline constexpr int kMinCopies = 1;
inline constexpr int kMaxCopies = 99;

struct PrinterInfo {
  std::string name;
  bool portrait = true;
};

// A bank text's value when it names a bank 1..10.
std::optional<int> BankFromText(const std::string& text);
// The copies scroll bar's value for what was typed, or nothing (a value of 0 leaves it).
std::optional<int> ScrollForCopiesText(const std::string& text);
// The copies of a print job: the typed value, brought into 1..99.
int CopiesFromText(const std::string& text);

struct PrintPlan {
  std::string printer;  // a device name, or kPdfFileEntry
  int copies = 1;
  bool ids = false;
  int bank = 1;     // the frequency bank, or the trunk bank of the IDs
  int id_bank = 0;  // with ids
};

class PrintFormCore {
 public:
  // Loading: the printer list's items and text. Reading each printer makes it the
  // current one, so the last of the system's list is current afterwards.
  void Form_Load(const std::vector<PrinterInfo>& printers, const std::string& current);
  const std::vector<std::string>& printerItems() const { return items_; }
  const std::string& printerText() const { return loaded_text_; }
  const std::string& currentPrinter() const { return current_; }

  void FreqOption_Click() { ids_ = false; }
  void IDOption_Click() { ids_ = true; }
  bool ids() const { return ids_; }
  bool idBankEnabled() const { return ids_; }
  const char* infoText() const { return ids_ ? kIdInfo : kFreqInfo; }

  // The bank checks (a warning through `desktop` and nothing when one fails), then
  // the printer: `wanted` when it is in portrait, else the last portrait printer,
  // else the one that was current.
  std::optional<PrintPlan> PrintCmd_Click(const std::string& freq_bank, const std::string& id_bank,
                                          const std::string& wanted, const std::string& copies,
                                          const std::vector<PrinterInfo>& printers, Desktop& desktop);

 private:
  std::vector<std::string> items_;
  std::string loaded_text_;
  std::string current_;
  bool ids_ = false;
};

// The page a plan prints.
ListPage PlanPage(const PrintPlan& plan, const FreqDirectory& channels, const IdDirectory& ids,
                  const PageHeader& header, PageMetrics& metrics);

}  // namespace scandeck
