#pragma once
// The system's printers as the printing window needs them, on Qt Print Support.
#include <QString>
#include <functional>
#include <vector>

#include "print/core/print_form.h"

namespace scandeck {

class Printers {
 public:
  virtual ~Printers() = default;
  // Installed printers in the system's order, with their orientation.
  virtual std::vector<PrinterInfo> installed() = 0;
  virtual std::string current() = 0;
  // Prints the page of `layout` on the printer `name`, or into `pdf_file` when it is
  // not empty. Returns the cause of a failure, or an empty text.
  virtual QString print(const std::string& name, const QString& pdf_file, int copies,
                        const std::function<ListPage(PageMetrics&)>& layout) = 0;
};

class QtPrinters final : public Printers {
 public:
  std::vector<PrinterInfo> installed() override;
  std::string current() override;
  QString print(const std::string& name, const QString& pdf_file, int copies,
                const std::function<ListPage(PageMetrics&)>& layout) override;
};

}  // namespace scandeck
