#include "common/qt/controls.h"

#include <QApplication>
#include <QFontDatabase>

#include "common/qt/click_label.h"

namespace scandeck {

namespace {

QString CaptionFamily() {
  const QStringList families = QFontDatabase::families();
  for (const char* family : {"Comic Sans MS", "Comic Neue", "Comic Relief"})
    if (families.contains(family, Qt::CaseInsensitive)) return family;
  return QApplication::font().family();
}

}  // namespace

QFont CaptionFont(double points, bool bold) {
  QFont font(CaptionFamily());
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

ClickLabel* CommandLabel(const QString& caption, const char* name, const QString& accessible, QWidget* parent) {
  auto* label = new ClickLabel(caption, parent);
  label->setObjectName(name);
  label->setAccessibleName(accessible);
  label->setFont(CaptionFont(9, true));
  label->setMinimumSize(90, 26);
  label->setStyleSheet(
      "QLabel { border: 1px solid #909090; border-radius: 3px; background: #f4f4f4; padding: 2px 10px; }"
      "QLabel[focused=\"true\"] { border: 2px solid #3070d0; }");
  return label;
}

}  // namespace scandeck
