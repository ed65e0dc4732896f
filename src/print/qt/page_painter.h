#pragma once
// The list page on a Qt paint device: text sizes from the device's own font
// metrics, and the drawing of the page's operations, both in twips.
#include <QFont>
#include <QString>
#include <functional>

#include "print/core/list_page.h"

class QPainter;
class QPaintDevice;
class QPrinter;

namespace scandeck {

// Arial bold (or italic) at `font`'s size; Liberation Sans where Arial is missing.
QFont PrintQFont(const PrintFont& font);

class QtPageMetrics final : public PageMetrics {
 public:
  explicit QtPageMetrics(QPaintDevice* device) : device_(device) {}
  int textWidth(std::string_view text, const PrintFont& font) override;
  int lineHeight(const PrintFont& font) override;

 private:
  QPaintDevice* device_;
};

// Draws `page` with `painter`, whose origin stands at the printable area's top left.
void PaintPage(QPainter& painter, const ListPage& page);

// Prints one page laid out by `layout` on `printer`, `copies` times: as one job the
// printer repeats where it can, else as that many pages. Returns the cause of a
// failure, or an empty text.
QString PrintListPage(QPrinter& printer, int copies, const std::function<ListPage(PageMetrics&)>& layout);

}  // namespace scandeck
