#include "print/qt/page_painter.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <cmath>

#include "common/qt/qt_text.h"

namespace scandeck {

namespace {

double TwipsPerDot(const QPaintDevice* device) { return 1440.0 / device->logicalDpiY(); }
double DotsX(const QPaintDevice* device, int twips) { return twips * device->logicalDpiX() / 1440.0; }
double DotsY(const QPaintDevice* device, int twips) { return twips * device->logicalDpiY() / 1440.0; }

}  // namespace

QFont PrintQFont(const PrintFont& font) {
  QFont::insertSubstitution(kPrintFontName, "Liberation Sans");
  QFont qfont(kPrintFontName);
  qfont.setPointSize(font.size);
  qfont.setBold(font.bold());
  qfont.setItalic(font.italic());
  return qfont;
}

int QtPageMetrics::textWidth(std::string_view text, const PrintFont& font) {
  const QFontMetricsF metrics(PrintQFont(font), device_);
  return static_cast<int>(std::lround(metrics.horizontalAdvance(ToQt(std::string(text))) * 1440.0 /
                                      device_->logicalDpiX()));
}

int QtPageMetrics::lineHeight(const PrintFont& font) {
  const QFontMetricsF metrics(PrintQFont(font), device_);
  return static_cast<int>(std::lround(metrics.height() * TwipsPerDot(device_)));
}

void PaintPage(QPainter& painter, const ListPage& page) {
  const QPaintDevice* device = painter.device();
  QPen hairline(Qt::black);
  hairline.setWidth(0);  // one dot wide, whatever the resolution
  painter.setPen(hairline);
  for (const PageLine& l : page.lines) {
    const double y = DotsY(device, l.y);
    painter.drawLine(QPointF(DotsX(device, l.x1), y), QPointF(DotsX(device, l.x2), y));
  }
  for (const PageText& t : page.texts) {
    const QFont font = PrintQFont(t.font);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    // Positions are the text's top left corner; Qt draws from the baseline.
    painter.drawText(QPointF(DotsX(device, t.x), DotsY(device, t.y) + metrics.ascent()), ToQt(t.text));
  }
}

QString PrintListPage(QPrinter& printer, int copies, const std::function<ListPage(PageMetrics&)>& layout) {
  printer.setCopyCount(copies);
  // Positions count from the printer's printable area: Qt's default margins would
  // push the page further in, so the margins are the printer's own minimum, and the
  // painter starts where they end (a PDF file has none: its page corner).
  printer.setFullPage(true);
  printer.setPageMargins(printer.pageLayout().minimumMargins(), printer.pageLayout().units());
  QPageLayout area = printer.pageLayout();
  area.setMode(QPageLayout::StandardMode);  // full-page mode's paint rectangle is the whole page
  const bool repeats = printer.supportsMultipleCopies() && printer.outputFormat() == QPrinter::NativeFormat;
  QPainter painter;
  if (!painter.begin(&printer)) return "the printer could not be opened";
  painter.translate(area.paintRectPixels(printer.resolution()).topLeft());
  QtPageMetrics metrics(&printer);
  const ListPage page = layout(metrics);
  for (int i = 0; i < (repeats ? 1 : copies); ++i) {
    if (i > 0 && !printer.newPage()) break;
    PaintPage(painter, page);
  }
  if (!painter.end() || printer.printerState() == QPrinter::Error) return "the job could not be sent";
  return {};
}

}  // namespace scandeck
