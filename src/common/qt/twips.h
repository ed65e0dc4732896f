#pragma once
// Window geometry is designed in twips (1/1440 inch): 15 twips a pixel at 96 dpi,
// scaled with the screen's resolution.
#include <QRect>
#include <QWidget>

namespace scandeck {

inline double TwipsPerPixel(const QWidget* widget) {
  const int dpi = widget ? widget->logicalDpiX() : 96;
  return 1440.0 / (dpi > 0 ? dpi : 96);
}

inline int Px(const QWidget* widget, double twips) { return static_cast<int>(twips / TwipsPerPixel(widget) + 0.5); }
inline double Twips(const QWidget* widget, int pixels) { return pixels * TwipsPerPixel(widget); }

inline void PlaceTw(QWidget* child, double left, double top, double width, double height) {
  const QWidget* ref = child->parentWidget() ? child->parentWidget() : child;
  child->setGeometry(Px(ref, left), Px(ref, top), Px(ref, width), Px(ref, height));
}

}  // namespace scandeck
