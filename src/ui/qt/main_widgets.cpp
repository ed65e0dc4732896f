#include "ui/qt/main_widgets.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QVariant>

#include "common/qt/click_label.h"
#include "common/qt/controls.h"
#include "common/qt/qt_text.h"
#include "common/qt/twips.h"

namespace scandeck::main_ui {

namespace {

const QColor kRed(255, 0, 0);
constexpr const char* kWhat = "what";
constexpr const char* kOnWord = "onWord";
constexpr const char* kOffWord = "offWord";

// Qt gives a label that takes the focus a text document of its own (for links) and
// rebuilds and lays it out for every new text: most of a tick's work while scanning.
// It decides when the text is set, so the focus policy steps aside for that moment;
// the label then draws its plain text directly.
void SetPlainText(QLabel* label, const QString& text) {
  const Qt::FocusPolicy policy = label->focusPolicy();
  label->setFocusPolicy(Qt::NoFocus);
  label->setText(text);
  label->setFocusPolicy(policy);
}

}  // namespace

void DropTextDocuments(QWidget* root) {
  for (QLabel* label : root->findChildren<QLabel*>()) {
    const QString text = label->text();
    if (label->focusPolicy() == Qt::NoFocus || !label->pixmap().isNull() || label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
      continue;
    SetPlainText(label, text.isEmpty() ? QStringLiteral(" ") : QString());  // Qt keeps it for the same text
    SetPlainText(label, text);
  }
}

namespace {

// A frame drawn once and then copied. The labels in it change on every tick while the
// scanner scans, and each change repaints the frame beneath them, which the style
// draws from scratch: it measures the caption and loads the frame's picture again.
class CachedFrame : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    const qreal ratio = devicePixelRatioF();
    if (picture_.isNull() || picture_.deviceIndependentSize() != QSizeF(size()) ||
        picture_.devicePixelRatio() != ratio || drawn_title_ != title()) {
      picture_ = QPixmap(size() * ratio);
      picture_.setDevicePixelRatio(ratio);
      picture_.fill(Qt::transparent);
      QStylePainter painter(&picture_, this);
      // Measured as on the widget, whatever resolution the picture assumes.
      QFont font = this->font();
      font.setPixelSize(QFontInfo(font).pixelSize());
      painter.setFont(font);
      QStyleOptionGroupBox option;
      initStyleOption(&option);
      painter.drawComplexControl(QStyle::CC_GroupBox, option);
      drawn_title_ = title();
    }
    QPainter(this).drawPixmap(0, 0, picture_);
  }
  // Palette, font, style, enabled state, the window's activation: drawn again.
  void changeEvent(QEvent* event) override {
    picture_ = QPixmap();
    QGroupBox::changeEvent(event);
  }

 private:
  QPixmap picture_;
  QString drawn_title_;
};

void SetName(QWidget* widget, const QString& name) {
  if (widget->accessibleName() != name) widget->setAccessibleName(name);
}

QString ValueName(const QLabel* label) {
  const QString value = label->text();
  return label->property(kWhat).toString() + ": " + (value.trimmed().isEmpty() ? QString("none") : value.trimmed());
}

QString LitName(const ClickLabel* toggle) {
  const QString caption = toggle->text();
  const QString what = toggle->property(kWhat).toString();
  const QString state = toggle->property(toggle->isChecked() ? kOnWord : kOffWord).toString();
  return (caption.isEmpty() ? what : caption + ", " + what) + " " + state;
}

}  // namespace

QLabel* Caption(const QString& text, QWidget* parent, double l, double t, double w, double h) {
  auto* label = new QLabel(text, parent);
  label->setFont(CaptionFont(8));
  PlaceTw(label, l, t, w, h);
  return label;
}

QLabel* Display(const char* name, const QString& what, QWidget* parent, double l, double t, double w, double h,
                double points, bool bold) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setProperty(kWhat, what);
  label->setAccessibleName(ValueName(label));
  label->setFont(CaptionFont(points, bold));
  label->setTextFormat(Qt::PlainText);
  label->setFocusPolicy(Qt::TabFocus);  // reachable, so a screen reader can read it
  PlaceTw(label, l, t, w, h);
  return label;
}

ClickLabel* Toggle(const QString& caption, const QString& name, const QString& what, QWidget* parent, double l,
                   double t, double w, double h, const QString& on, const QString& off) {
  auto* label = new ClickLabel(caption, parent);
  label->setObjectName(name);
  label->setCheckable(true);
  label->setProperty(kWhat, what);
  label->setProperty(kOnWord, on);
  label->setProperty(kOffWord, off);
  label->setAccessibleName(LitName(label));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(palette);
  label->setFont(CaptionFont(8, true));
  label->setStyleSheet(
      "QLabel { border: 1px solid #a0a0a0; border-radius: 3px; background: #f4f4f4; }"
      "QLabel[focused=\"true\"] { border: 2px solid #3070d0; }");
  PlaceTw(label, l, t, w, h);
  return label;
}

ClickLabel* Picture(const QPixmap& pixmap, const QString& name, const QString& accessible, QWidget* parent, double l,
                    double t, double w, double h) {
  auto* label = new ClickLabel({}, parent);
  label->setObjectName(name);
  label->setAccessibleName(accessible);
  label->setToolTip(accessible);
  label->setPixmap(pixmap);
  label->setStyleSheet("QLabel[focused=\"true\"] { border: 2px solid #3070d0; }");
  PlaceTw(label, l, t, w, h);
  return label;
}

QGroupBox* Frame(const QString& caption, const char* name, QWidget* parent, double l, double t, double w, double h,
                 bool follows_poll) {
  auto* frame = follows_poll ? new CachedFrame(caption, parent) : new QGroupBox(caption, parent);
  frame->setObjectName(name);
  frame->setFont(CaptionFont(8, true));
  PlaceTw(frame, l, t, w, h);
  return frame;
}

QLineEdit* Box(const char* name, const QString& accessible, QWidget* parent, double l, double t, double w, double h) {
  auto* box = new SpokenBox(parent);
  box->setObjectName(name);
  box->setAccessibleName(accessible);
  // A buddy label's caption takes the name's place in a screen reader; the
  // description keeps what the box does.
  box->setAccessibleDescription(accessible);
  box->setFont(CaptionFont(8));
  PlaceTw(box, l, t, w, h);
  return box;
}

void ShowValue(QLabel* label, const std::string& text) {
  // Latin-1, as ToQt converts it, compared without making a string on every tick.
  if (label->text() == QLatin1StringView(text.data(), static_cast<qsizetype>(text.size()))) return;
  SetPlainText(label, ToQt(text));
  SetName(label, ValueName(label));
}

void ShowLit(ClickLabel* toggle, bool lit) {
  // The colour and the name were made with the state and change only with it.
  if (toggle->isChecked() == lit) return;
  QPalette palette = toggle->palette();
  palette.setColor(QPalette::WindowText, lit ? kRed : QColor(Qt::black));
  toggle->setPalette(palette);
  toggle->setChecked(lit);
  SetName(toggle, LitName(toggle));
}

void ShowPicture(QLabel* label, bool on, const QPixmap& picture, const QString& on_name, const QString& off_name) {
  if (on != !label->pixmap().isNull()) label->setPixmap(on ? picture : QPixmap());
  SetName(label, on ? on_name : off_name);
  // Qt sends a change event for every tooltip set, changed or not.
  if (const QString tip = on ? on_name : QString(); label->toolTip() != tip) label->setToolTip(tip);
}

void ShowMenuCheck(QAction* action, bool checked) {
  if (action->isChecked() == checked) return;
  action->setChecked(checked);
  QAccessible::State changed;
  changed.checked = true;
  for (QObject* owner : action->associatedObjects()) {
    auto* menu = qobject_cast<QMenu*>(owner);
    QAccessibleInterface* list = menu ? QAccessible::queryAccessibleInterface(menu) : nullptr;
    for (int i = 0; list && i < list->childCount(); ++i) {
      QAccessibleInterface* entry = list->child(i);
      if (!entry || entry->object() != action) continue;
      QAccessibleStateChangeEvent event(entry, changed);
      QAccessible::updateAccessibility(&event);
    }
  }
}

}  // namespace scandeck::main_ui
