#include "print/qt/printers.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

#include "common/qt/qt_text.h"
#include "print/core/print_queue.h"
#include "print/qt/cups_queue.h"
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
  if (!pdf_file.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf_file);
    printer.setDocName("ScanDeck list");
    return PrintListPage(printer, copies, layout);
  }
  const QPrinterInfo info = QPrinterInfo::printerInfo(ToQt(name));
  if (info.isNull()) return "the printer is not installed";
  // Qt hands a job to a queue that refuses it without a word: ask the spooler first.
  if (const auto queue = CupsQueueState(name)) {
    if (const std::string refusal = QueueRefusal(*queue); !refusal.empty()) return ToQt(refusal);
  }
  const auto before = CupsNewestJob(name);
  printer.setPrinterName(info.printerName());
  printer.setDocName("ScanDeck list");
  if (const QString failure = PrintListPage(printer, copies, layout); !failure.isEmpty()) return failure;
  // Only a job newer than the one before this print is ours.
  const auto job = CupsNewestJob(name);
  const bool ours = job && (!before || job->id > before->id);
  const auto queue = CupsQueueState(name);
  return queue ? ToQt(JobFailure(ours ? std::optional<int>(job->state) : std::nullopt, *queue)) : QString();
}

}  // namespace scandeck
