#include "print/qt/printers.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

#include "common/qt/qt_text.h"
#include "print/qt/page_painter.h"

namespace scandeck {

std::vector<PrinterInfo> QtPrinters::installed() {
  std::vector<PrinterInfo> printers;
  for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
    QPrinter printer(info);
    printers.push_back({FromQt(info.printerName()), printer.pageLayout().orientation() == QPageLayout::Portrait});
  }
  return printers;
}

std::string QtPrinters::current() { return FromQt(QPrinterInfo::defaultPrinterName()); }

QString QtPrinters::print(const std::string& name, const QString& pdf_file, int copies,
                          const std::function<ListPage(PageMetrics&)>& layout) {
  QPrinter printer(QPrinter::HighResolution);
  if (pdf_file.isEmpty()) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(ToQt(name));
    if (info.isNull()) return "the printer is not installed";
    printer.setPrinterName(info.printerName());
  } else {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf_file);
  }
  printer.setDocName("ScanDeck list");
  printer.setFullPage(false);
  return PrintListPage(printer, copies, layout);
}

}  // namespace scandeck
