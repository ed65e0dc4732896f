#include "common/qt/listener_style.h"

#include <QApplication>
#include <QProxyStyle>

namespace scandeck {

namespace {

class ListenerStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_Menu_AllowActiveAndDisabled) return 1;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

}  // namespace

void UseListenerStyle(QApplication& app) { app.setStyle(new ListenerStyle); }

}  // namespace scandeck
