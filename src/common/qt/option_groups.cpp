#include "common/qt/option_groups.h"

#include <QAbstractButton>
#include <QPointer>

#include <algorithm>

namespace scandeck {

void TabLandsOnChosen(const QList<QAbstractButton*>& options) {
  QList<QPointer<QAbstractButton>> group(options.begin(), options.end());
  auto follow = [group] {
    const bool chosen = std::any_of(group.begin(), group.end(), [](const auto& b) { return b && b->isChecked(); });
    for (const auto& b : group)
      if (b) b->setFocusPolicy(!chosen || b->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
  };
  // Qt's arrow keys choose the option they move to, so the Tab stop follows the choice.
  for (QAbstractButton* b : options) QObject::connect(b, &QAbstractButton::toggled, b, follow);
  follow();
}

}  // namespace scandeck
