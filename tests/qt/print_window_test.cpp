// The list printing window: its start state and rules, the page it prints read
// back from a PDF with Poppler, and a real print job through CUPS.
#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QLocale>
#include <QTime>
#include <QLabel>
#include <QLineEdit>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

#include "common/qt/click_label.h"
#include "print/qt/page_painter.h"
#include "print/qt/print_window.h"
#include "print/qt/printers.h"
#include "support/accessible_names.h"
#include "support/app.h"
#include "support/pdf_text.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

using namespace scandeck;
using scandeck::testing::FakeDesktop;
namespace sd = scandeck::testing;

namespace {

// The system's printers as a test sets them; a PDF file is really printed, by Qt.
class TestPrinters final : public Printers {
 public:
  std::vector<PrinterInfo> printers;
  std::string current_name;
  std::vector<std::string> jobs;  // "name copies"
  QString failure;                // what a printer that fails says
  std::vector<PrinterInfo> installed() override { return printers; }
  std::string current() override { return current_name; }
  QString print(const std::string& name, const QString& pdf_file, int copies,
                const std::function<ListPage(PageMetrics&)>& layout) override {
    jobs.push_back(name + " " + std::to_string(copies));
    if (!failure.isEmpty()) return failure;
    return pdf_file.isEmpty() ? QString() : QtPrinters().print(name, pdf_file, copies, layout);
  }
};

struct App {
  scandeck::testing::TempDir folder;
  FakeDesktop desktop;
  FreqDirectory freq;
  IdDirectory ids;
  const std::string user = "Jo Listener";  // the window keeps a reference to it
  TestPrinters printers;
  std::unique_ptr<PrintFrm> form;

  explicit App(std::vector<PrinterInfo> installed = {}, std::string current = {}) {
    printers.printers = std::move(installed);
    printers.current_name = std::move(current);
    form = std::make_unique<PrintFrm>(freq, ids, user, desktop, printers);
    form->askPdfFile = [this] { return QString::fromStdString(folder.file("list.pdf")); };
    form->show();
  }
  template <typename T>
  T* at(const char* name) {
    auto* w = form->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void print(const QString& bank, const QString& copies) {
    at<QComboBox>("FreqBankCmb")->setEditText(bank);
    at<QLineEdit>("NbDeCopieBox")->setText(copies);
    emit at<ClickLabel>("PrintCmd")->clicked();
  }
};

QStringList Items(QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

// Every text of the page the core lays out for `printer` stands in the PDF where
// the layout put it: its first word within 3 points.
void ExpectPageAt(const sd::PdfText& pdf, const ListPage& page, QPrinter& printer, int on_page) {
  const QRectF area = printer.pageLayout().paintRectPoints();
  for (const PageText& t : page.texts) {
    const QString first = QString::fromLatin1(t.text.c_str()).split(' ', Qt::SkipEmptyParts).value(0);
    const double x = area.left() + t.x / 20.0, y = area.top() + t.y / 20.0;
    bool found = false;
    for (const sd::PdfWord& w : pdf.words)
      found |= w.page == on_page && w.text == first && std::abs(w.x - x) < 3 && std::abs(w.y - y) < 3;
    EXPECT_TRUE(found) << t.text << " at " << x << "," << y << " on page " << on_page;
  }
}

}  // namespace

TEST(PrintWindow, StartStateOptionsCopiesAndChecks) {
  sd::App menu;
  menu.action("PrintListsMnu")->trigger();
  auto* opened = menu.find<PrintFrm>("PrintFrm");
  ASSERT_NE(opened, nullptr);
  EXPECT_TRUE(opened->isVisible());
  EXPECT_FALSE(opened->isModal());

  // The printer list, the bank checks and the copies' range are the print form
  // core's rules; here the controls show them and pass what the user typed.
  App app({{"Laser", true}, {"Wide", false}}, "Wide");
  EXPECT_EQ(app.form->windowTitle(), "ScanDeck - Print List...");
  EXPECT_TRUE(app.at<QRadioButton>("FreqOption")->isChecked());
  EXPECT_EQ(Items(app.at<QComboBox>("IDBankCmb")), QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
  EXPECT_FALSE(app.at<QComboBox>("IDBankCmb")->isEnabled());
  EXPECT_EQ(app.at<QComboBox>("CmbImprimante")->currentText(), "Wide");
  EXPECT_EQ(Items(app.at<QComboBox>("CmbImprimante")), QStringList({"Laser", "Wide"}));
  EXPECT_EQ(app.at<QLineEdit>("NbDeCopieBox")->text(), "1");
  int controls = 0;
  EXPECT_EQ(sd::NamesMissingTheirCaption(app.form.get(), controls), std::vector<std::string>{});
  EXPECT_GE(controls, 9);

  app.form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(app.form.get()));
  QTest::mouseClick(app.at<QRadioButton>("IDOption"), Qt::LeftButton);
  EXPECT_TRUE(app.at<QComboBox>("IDBankCmb")->isEnabled());
  EXPECT_TRUE(app.at<QComboBox>("IDBankCmb")->hasFocus()) << "the ID bank is asked for next";
  EXPECT_EQ(app.at<QLabel>("InfoLbl")->text(), "Only ID's Will be Print!");
  app.at<QComboBox>("IDBankCmb")->setEditText("4");
  QTest::mouseClick(app.at<QRadioButton>("FreqOption"), Qt::LeftButton);
  EXPECT_FALSE(app.at<QComboBox>("IDBankCmb")->isEnabled());
  EXPECT_EQ(app.at<QComboBox>("IDBankCmb")->currentText(), "");
  EXPECT_EQ(app.at<QLabel>("InfoLbl")->text(), "Only Freq's Will be Print!");

  // The box and the scroll bar keep in step; 0 leaves the bar; the upper arrow adds.
  auto* box = app.at<QLineEdit>("NbDeCopieBox");
  auto* bar = app.at<QScrollBar>("VScrollCopie");
  for (const auto& [text, value] : {std::pair{"5", 5}, {"0", 5}}) {
    box->setText(text);
    EXPECT_EQ(bar->value(), value) << text;
  }
  bar->setValue(7);
  EXPECT_EQ(box->text(), "7");
  QTest::keyClick(bar, Qt::Key_Up);
  EXPECT_EQ(bar->value(), 8);

  app.print("0", "1");
  EXPECT_EQ(app.desktop.events, std::vector<std::string>{"warn heyhey !: Invalid Freq Bank!"});
  app.print("2", "150");
  EXPECT_EQ(app.printers.jobs, std::vector<std::string>{"Laser 99"}) << "the portrait printer, copies brought into range";
  EXPECT_TRUE(app.form->isVisible()) << "stays open after printing";
  app.printers.failure = "the printer is out of paper";
  app.desktop.events.clear();
  app.print("2", "1");
  EXPECT_EQ(app.desktop.events, std::vector<std::string>{
                                    "warn ScanDeck - Print List...: Printing on \"Laser\" failed: the printer is out of paper."});
  emit app.at<ClickLabel>("CancelCmd")->clicked();
  EXPECT_FALSE(app.form->isVisible());
}

TEST(PrintedPage, PdfCarriesTheLaidOutTextsInBoldArialOnePagePerCopy) {
  if (!sd::HavePoppler()) GTEST_SKIP() << "poppler-utils (pdftotext, pdffonts) is not installed";
  for (bool ids : {false, true}) {
    App app;  // no printer installed: the list offers a PDF file
    EXPECT_EQ(app.at<QComboBox>("CmbImprimante")->currentText(), "PDF file");
    for (int k = 31; k <= 60; ++k) {
      app.freq[k].channel = k;
      app.freq[k].frequency = "154.4" + std::to_string(k) + "0";
      app.freq[k].type = "FDP";
      app.freq[k].name = "Station-" + std::to_string(k);
    }
    for (int e = 41; e <= 50; ++e)
      *app.ids.find(3, e) = {"5-" + std::to_string(e - 40), "4" + std::to_string(e), "POL", "Group-" + std::to_string(e), "", ""};
    if (ids) {
      QTest::mouseClick(app.at<QRadioButton>("IDOption"), Qt::LeftButton);
      app.at<QComboBox>("IDBankCmb")->setEditText("5");
    }
    app.print(ids ? "3" : "2", "2");
    ASSERT_EQ(app.desktop.events, std::vector<std::string>{});

    const sd::PdfText pdf = sd::ReadPdf(QString::fromStdString(app.folder.file("list.pdf")));
    ASSERT_TRUE(pdf.ok);
    EXPECT_EQ(pdf.pages, 2) << "one page for each of two copies";
    EXPECT_TRUE(pdf.fonts.contains("Bold")) << pdf.fonts.toStdString();
    EXPECT_TRUE(pdf.fonts.contains("Arial") || pdf.fonts.contains("LiberationSans")) << pdf.fonts.toStdString();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setFullPage(true);  // a PDF file has no unprintable margin: the page starts at its corner
    printer.setOutputFileName(QString::fromStdString(app.folder.file("probe.pdf")));
    QtPageMetrics metrics(&printer);
    PrintPlan plan;
    plan.ids = ids;
    plan.bank = ids ? 3 : 2;
    plan.id_bank = 5;
    const QLocale locale;
    const PageHeader header{locale.toString(QDate::currentDate(), QLocale::ShortFormat).toStdString(),
                            locale.toString(QTime::currentTime(), QLocale::ShortFormat).toStdString(), "Jo Listener"};
    const ListPage page = PlanPage(plan, app.freq, app.ids, header, metrics);
    ASSERT_GT(page.texts.size(), ids ? 30u : 120u);
    for (int p : {1, 2}) ExpectPageAt(pdf, page, printer, p);
    EXPECT_NE(pdf.find(ids ? "Group-41" : "Station-31"), nullptr);
    EXPECT_EQ(pdf.find(ids ? "Group-51" : "Station-61"), nullptr);
  }
}

// A real print job: tests/print/run.sh starts a CUPS server of its own with a PDF
// printer and says where its files land.
TEST(RealPrinter, JobThroughCupsComesOutWithItsCopies) {
  const QString printer = qEnvironmentVariable("SCANDECK_CUPS_PRINTER");
  const QDir out(qEnvironmentVariable("SCANDECK_CUPS_OUT"));
  if (printer.isEmpty()) GTEST_SKIP() << "needs a CUPS server with a PDF printer (tests/print/run.sh)";
  QtPrinters system;
  bool listed = false;
  for (const PrinterInfo& p : system.installed()) listed |= p.name == printer.toStdString();
  ASSERT_TRUE(listed) << "the printer is installed";

  scandeck::testing::TempDir folder;
  FakeDesktop desktop;
  FreqDirectory freq;
  IdDirectory ids;
  for (int k = 1; k <= 30; ++k) freq[k].name = "Tower-" + std::to_string(k);
  const std::string user;
  PrintFrm form(freq, ids, user, desktop, system);
  form.findChild<QComboBox*>("CmbImprimante")->setEditText(printer);
  form.findChild<QComboBox*>("FreqBankCmb")->setEditText("1");
  form.findChild<QLineEdit*>("NbDeCopieBox")->setText("3");
  emit form.findChild<ClickLabel*>("PrintCmd")->clicked();
  ASSERT_EQ(desktop.events, std::vector<std::string>{});

  QString file;
  ASSERT_TRUE(sd::WaitUntil([&] {
    const QStringList pdfs = out.entryList({"*.pdf"}, QDir::Files);
    if (!pdfs.isEmpty()) file = out.filePath(pdfs.front());
    return !file.isEmpty() && sd::ReadPdf(file).pages > 0;
  }, 60000)) << "the spooler writes the job into " << out.path().toStdString();
  const sd::PdfText pdf = sd::ReadPdf(file);
  EXPECT_EQ(pdf.pages, 3) << "three copies";

  // The spooler turns the page into PostScript and back, which loses the text
  // layer, so each copy is compared as a picture with the page the adapter draws
  // on a PDF of the printer's own page layout.
  QPrinter reference(QPrinterInfo::printerInfo(printer), QPrinter::HighResolution);
  const QPageLayout layout = reference.pageLayout();
  reference.setOutputFormat(QPrinter::PdfFormat);
  reference.setPageLayout(layout);
  reference.setOutputFileName(QString::fromStdString(folder.file("reference.pdf")));
  const QLocale locale;
  const PageHeader header{locale.toString(QDate::currentDate(), QLocale::ShortFormat).toStdString(),
                          locale.toString(QTime::currentTime(), QLocale::ShortFormat).toStdString(), ""};
  ASSERT_EQ(PrintListPage(reference, 1, [&](PageMetrics& m) { return FreqBankPage(freq, 1, header, m); }), "");
  const QImage expected = sd::PdfPage(reference.outputFileName(), 1, folder.file("expected"));
  ASSERT_FALSE(expected.isNull());
  for (int p = 1; p <= 3; ++p) {
    const QImage printed = sd::PdfPage(file, p, folder.file("printed"));
    ASSERT_EQ(printed.size(), expected.size()) << p;
    EXPECT_GT(sd::DarkPixels(printed), 2000) << "page " << p << " carries the list";
    EXPECT_LT(sd::DifferentPixels(printed, expected), printed.width() * printed.height() / 200) << "page " << p;
  }
}
