// Real print queues of tests/print/run.sh's CUPS server: the page starts at each
// queue's printable area, and a queue that takes no job is named in one warning.
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QTime>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <optional>

#include "common/qt/click_label.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "print/qt/print_window.h"
#include "print/qt/printers.h"
#include "support/fake_desktop.h"
#include "support/pdf_text.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

using namespace scandeck;
namespace sd = scandeck::testing;

namespace {

constexpr int kDpi = 144;

struct Ink {
  double left = 0, top = 0;  // points from the page's top left corner
};

// The first PDF that turns up in `folder`, or an empty name.
QString AwaitPdf(const QDir& folder) {
  QString file;
  sd::WaitUntil([&] {
    const QStringList pdfs = folder.entryList({"*.pdf"}, QDir::Files);
    if (!pdfs.isEmpty()) file = folder.filePath(pdfs.front());
    return !file.isEmpty() && sd::ReadPdf(file).pages > 0;
  }, 60000);
  return file;
}

// Where the dark pixels of the first page begin.
std::optional<Ink> FirstInk(const QString& pdf, const std::string& stem) {
  const QString out = QString::fromStdString(stem);
  sd::Run("pdftoppm", {"-r", QString::number(kDpi), "-gray", "-f", "1", "-l", "1", "-singlefile", pdf, out});
  const QImage page = QImage(out + ".pgm").convertToFormat(QImage::Format_Grayscale8);
  int left = page.width(), top = page.height();
  for (int y = 0; y < page.height(); ++y) {
    const uchar* row = page.constScanLine(y);
    for (int x = 0; x < page.width(); ++x)
      if (row[x] < 128) left = std::min(left, x), top = std::min(top, y);
  }
  if (page.isNull() || top == page.height()) return std::nullopt;
  return Ink{left * 72.0 / kDpi, top * 72.0 / kDpi};
}

}  // namespace

TEST(RealPrinter, PageStartsAtTheQueuesPrintableArea) {
  const QString flush = qEnvironmentVariable("SCANDECK_CUPS_FLUSH"), inset = qEnvironmentVariable("SCANDECK_CUPS_INSET");
  if (flush.isEmpty()) GTEST_SKIP() << "needs a CUPS server with PDF printers (tests/print/run.sh)";
  const QDir out(qEnvironmentVariable("SCANDECK_CUPS_OUT"));
  sd::TempDir folder;
  FreqDirectory freq;
  for (int k = 1; k <= 30; ++k) freq[k].name = "Tower-" + std::to_string(k);
  const PageHeader header{"07/12/2026", "14:05", "Jo Listener"};
  ListPage laid_out;
  std::optional<Ink> ink[2];
  for (int q : {0, 1}) {
    const QString name = q == 0 ? flush : inset;
    ASSERT_EQ(QtPrinters().print(name.toStdString(), {}, 1, [&](PageMetrics& m) {
      return laid_out = FreqBankPage(freq, 1, header, m);
    }), "") << name.toStdString();
    const QString pdf = AwaitPdf(out.filePath(name));
    ASSERT_FALSE(pdf.isEmpty()) << "the spooler writes the job of " << name.toStdString();
    ink[q] = FirstInk(pdf, folder.file(name.toStdString()));
    ASSERT_TRUE(ink[q]) << name.toStdString();
    std::cout << name.toStdString() << ": first ink at " << ink[q]->left << "," << ink[q]->top << " pt\n";
  }
  int left = laid_out.texts.front().x, top = laid_out.texts.front().y;
  for (const PageText& t : laid_out.texts) left = std::min(left, t.x), top = std::min(top, t.y);
  for (const PageLine& l : laid_out.lines) left = std::min(left, l.x1), top = std::min(top, l.y);
  EXPECT_NEAR(ink[0]->left, left / 20.0, 1.5);
  EXPECT_NEAR(ink[0]->top, top / 20.0, 1.5);
  EXPECT_NEAR(ink[1]->left - ink[0]->left, 18, 1.5);
  EXPECT_NEAR(ink[1]->top - ink[0]->top, 18, 1.5);
}

TEST(RealPrinter, QueueThatTakesNoJobIsNamedInOneWarning) {
  const QString flush = qEnvironmentVariable("SCANDECK_CUPS_FLUSH");
  if (flush.isEmpty()) GTEST_SKIP() << "needs a CUPS server with PDF printers (tests/print/run.sh)";
  struct Case {
    QString queue;
    std::string cause;  // empty: printed without a word
  } cases[] = {
      {qEnvironmentVariable("SCANDECK_CUPS_REJECTING"), "the printer does not accept jobs"},
      {qEnvironmentVariable("SCANDECK_CUPS_STOPPED"), "the printer is stopped"},
      {flush, ""},
  };
  FreqDirectory freq;
  IdDirectory ids;
  freq[1].name = "Tower-1";
  const std::string user = "Jo Listener";
  QtPrinters system;
  for (const Case& c : cases) {
    sd::FakeDesktop desktop;
    PrintFrm form(freq, ids, user, desktop, system);
    form.findChild<QComboBox*>("CmbImprimante")->setEditText(c.queue);
    form.findChild<QComboBox*>("FreqBankCmb")->setEditText("1");
    emit form.findChild<ClickLabel*>("PrintCmd")->clicked();
    const std::string name = c.queue.toStdString();
    EXPECT_EQ(desktop.events, c.cause.empty() ? std::vector<std::string>{}
                                              : std::vector<std::string>{"warn ScanDeck - Print List...: Printing on \"" +
                                                                         name + "\" failed: " + c.cause + "."});
  }
}
