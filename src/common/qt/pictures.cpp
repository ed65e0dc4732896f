#include "common/qt/pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace scandeck::pictures {

namespace {
QPixmap Blank(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// A transparent square canvas, antialiased, handed to `draw` with its side length.
template <typename Draw>
QPixmap Painted(int size, Draw draw) {
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p, static_cast<double>(size));
  return pixmap;
}

QPixmap Lamp(int size, QColor centre, QColor rim) {
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient g(size * 0.4, size * 0.4, size * 0.55);
  g.setColorAt(0, centre.lighter(160));
  g.setColorAt(0.6, centre);
  g.setColorAt(1, rim);
  p.setBrush(g);
  p.setPen(QPen(rim.darker(150), 1));
  p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
  return pixmap;
}

QPixmap Bulb(int size, QColor glass, bool rays, const QString& mark = {}) {
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  if (rays) {
    p.setPen(QPen(QColor(230, 160, 0), s / 14));
    for (int i = 0; i < 8; ++i) {
      p.save();
      p.translate(s / 2, s * 0.42);
      p.rotate(i * 45);
      p.drawLine(QPointF(0, -s * 0.36), QPointF(0, -s * 0.46));
      p.restore();
    }
  }
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(glass);
  p.drawEllipse(QRectF(s * 0.25, s * 0.14, s * 0.5, s * 0.5));
  p.setBrush(QColor(120, 120, 120));
  p.drawRect(QRectF(s * 0.38, s * 0.62, s * 0.24, s * 0.2));
  if (!mark.isEmpty()) {
    QFont f = p.font();
    f.setPixelSize(static_cast<int>(s * 0.34));
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(s * 0.25, s * 0.14, s * 0.5, s * 0.5), Qt::AlignCenter, mark);
  }
  return pixmap;
}
}  // namespace

QPixmap SquelchOpen(int size) { return Lamp(size, QColor(40, 200, 40), QColor(0, 90, 0)); }

QPixmap TalkgroupActive(int size) {
  return Painted(size, [](QPainter& p, double s) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 140, 0));
    QPainterPath speaker;
    speaker.moveTo(s * 0.1, s * 0.38);
    speaker.lineTo(s * 0.3, s * 0.38);
    speaker.lineTo(s * 0.52, s * 0.18);
    speaker.lineTo(s * 0.52, s * 0.82);
    speaker.lineTo(s * 0.3, s * 0.62);
    speaker.lineTo(s * 0.1, s * 0.62);
    speaker.closeSubpath();
    p.drawPath(speaker);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 140, 0), s / 12));
    p.drawArc(QRectF(s * 0.45, s * 0.3, s * 0.25, s * 0.4), -60 * 16, 120 * 16);
    p.drawArc(QRectF(s * 0.45, s * 0.15, s * 0.45, s * 0.7), -60 * 16, 120 * 16);
  });
}

QPixmap LightOn(int size) { return Bulb(size, QColor(255, 235, 80), true); }
QPixmap LightOff(int size) { return Bulb(size, QColor(90, 90, 90), false); }
QPixmap LightAuto(int size) { return Bulb(size, QColor(255, 250, 200), false, "A"); }

QPixmap Hold(int size) {
  return Painted(size, [](QPainter& p, double s) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    p.drawRoundedRect(QRectF(s * 0.25, s * 0.2, s * 0.17, s * 0.6), 2, 2);
    p.drawRoundedRect(QRectF(s * 0.58, s * 0.2, s * 0.17, s * 0.6), 2, 2);
  });
}

QPixmap SecondKey(int size) {
  return Painted(size, [](QPainter& p, double s) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    QPolygonF first{{s * 0.15, s * 0.2}, {s * 0.5, s * 0.5}, {s * 0.15, s * 0.8}};
    QPolygonF second{{s * 0.5, s * 0.2}, {s * 0.85, s * 0.5}, {s * 0.5, s * 0.8}};
    p.drawPolygon(first);
    p.drawPolygon(second);
  });
}

QPixmap AppIcon(int size) {
  return Painted(size, [](QPainter& p, double s) {
    p.setPen(QPen(Qt::black, s / 16));
    p.setBrush(QColor(30, 60, 120));
    p.drawRoundedRect(QRectF(s * 0.2, s * 0.25, s * 0.6, s * 0.7), s * 0.08, s * 0.08);
    p.drawLine(QPointF(s * 0.65, s * 0.25), QPointF(s * 0.65, s * 0.02));
    p.setBrush(QColor(120, 230, 120));
    p.drawRect(QRectF(s * 0.3, s * 0.35, s * 0.4, s * 0.18));
  });
}

}  // namespace scandeck::pictures
