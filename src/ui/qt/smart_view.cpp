#include "ui/qt/smart_view.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScreen>
#include <QSizePolicy>

#include "common/qt/click_label.h"
#include "common/qt/pictures.h"
#include "common/qt/qt_text.h"

namespace scandeck {

namespace {

QFont Arial(int points, bool bold = false) {
  QFont font("Arial", points, bold ? QFont::Bold : QFont::Normal);
  QFont::insertSubstitution("Arial", "Liberation Sans");
  return font;
}

QLabel* Caption(const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setFont(Arial(9, true));
  label->setStyleSheet("color: #9fc7ff;");
  return label;
}

QLabel* Value(const char* name, const char* what, QWidget* parent, int points) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setFont(Arial(points, true));
  label->setStyleSheet("color: #ffffff;");
  label->setProperty("what", what);
  label->setAccessibleName(QString(what) + ": none");
  return label;
}

constexpr const char* kWhole = "whole";

// A name longer than its place ends in "…"; the whole name stays in the tooltip
// and in what a screen reader reads.
void Elide(QLabel* label) {
  const QString whole = label->property(kWhole).toString();
  const int room = label->contentsRect().width();
  // Not laid out yet: the whole text, cut when the label gets its place.
  const QString shown = room > 0 ? label->fontMetrics().elidedText(whole, Qt::ElideRight, room) : whole;
  if (label->text() != shown) label->setText(shown);
  label->setToolTip(shown == whole ? QString() : whole);
}

void Show(QLabel* label, const CompactLabel& value) {
  const QString text = ToQt(value.text);
  if (label->property(kWhole).toString() != text || label->property(kWhole).isNull()) {
    label->setProperty(kWhole, text);
    Elide(label);
    const QString name = label->property("what").toString() + ": " + (text.trimmed().isEmpty() ? "none" : text.trimmed());
    if (label->accessibleName() != name) label->setAccessibleName(name);
  }
  label->setVisible(value.visible);
}

}  // namespace

SmartView::SmartView(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName("SmartView");
  setWindowTitle("SmartView Mode - ScanDeck");
  setWindowIcon(QIcon(pictures::AppIcon(64)));
  // Above the others, but never taking the focus from what the user is doing.
  setAttribute(Qt::WA_ShowWithoutActivating);

  NameLbl = Value("NameLbl", "Channel", this, 12);
  TypeLbl = Value("TypeLbl", "Channel type", this, 10);
  IDNameLbl = Value("IDNameLbl", "Talkgroup", this, 12);
  IDTypeLbl = Value("IDTypeLbl", "Talkgroup type", this, 10);
  ModeLbl = Value("ModeLbl", "Mode", this, 10);
  TimeAndDateLbl = Value("TimeAndDateLbl", "Time and date", this, 9);
  HoldCmd = new ClickLabel("Hold ID", this);
  HoldCmd->setObjectName("HoldCmd");
  HoldCmd->setAccessibleName("Hold ID, hold on the talkgroup");
  PopUpLbl = new ClickLabel("PopUp Mode", this);
  PopUpLbl->setObjectName("PopUpLbl");
  PopUpLbl->setAccessibleName("PopUp Mode, show only while receiving");
  for (ClickLabel* l : {HoldCmd, PopUpLbl}) {
    l->setFont(Arial(9, true));
    l->setCursor(Qt::PointingHandCursor);
    l->setStyleSheet("QLabel { color: #ffd27a; text-decoration: underline; }");
  }

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(10, 8, 10, 8);
  grid->setHorizontalSpacing(8);
  grid->addWidget(Caption("Fr", this), 0, 0);
  grid->addWidget(NameLbl, 0, 1);
  grid->addWidget(TypeLbl, 0, 2, Qt::AlignRight);
  grid->addWidget(Caption("ID", this), 1, 0);
  grid->addWidget(IDNameLbl, 1, 1);
  grid->addWidget(IDTypeLbl, 1, 2, Qt::AlignRight);
  grid->addWidget(Caption("Mode", this), 2, 0);
  grid->addWidget(ModeLbl, 2, 1);
  grid->addWidget(TimeAndDateLbl, 2, 2, Qt::AlignRight);
  auto* row = new QHBoxLayout;
  row->addWidget(HoldCmd);
  row->addStretch();
  row->addWidget(PopUpLbl);
  grid->addLayout(row, 3, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  // A long name must not widen the window: the labels take the room they are given.
  for (QLabel* label : {NameLbl, IDNameLbl, ModeLbl}) {
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->installEventFilter(this);
  }
  const QFontMetrics metrics(NameLbl->font());
  setMinimumWidth(metrics.horizontalAdvance(QString(40, 'M')) / 2 + 160);
  resize(minimumWidth(), sizeHint().height() + 4);
  setFixedHeight(sizeHint().height() + 4);

  TimeTimer.setInterval(500);
  connect(&TimeTimer, &QTimer::timeout, this, &SmartView::TimeTimer_Timer);
  connect(HoldCmd, &ClickLabel::clicked, this, &SmartView::HoldCmd_Click);
  connect(PopUpLbl, &ClickLabel::clicked, this, &SmartView::PopUpLbl_Click);
}

void SmartView::render(const CompactView& view) {
  Show(NameLbl, view.NameLbl);
  Show(TypeLbl, view.TypeLbl);
  Show(IDNameLbl, view.IDNameLbl);
  Show(IDTypeLbl, view.IDTypeLbl);
  Show(ModeLbl, view.ModeLbl);
  if (view.visible != isVisible()) setVisible(view.visible);
}

void SmartView::TimeTimer_Timer() {
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale;
  const QString text = locale.toString(now.time(), QLocale::ShortFormat).left(5) + "  " +
                       locale.toString(now.date(), QLocale::ShortFormat);
  if (TimeAndDateLbl->text() != text) {
    TimeAndDateLbl->setText(text);
    TimeAndDateLbl->setAccessibleName("Time and date: " + text);
  }
}

bool SmartView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize)
    if (auto* label = qobject_cast<QLabel*>(watched); label && !label->property(kWhole).isNull()) Elide(label);
  return QWidget::eventFilter(watched, event);
}

void SmartView::hideEvent(QHideEvent* event) {
  // Where the user left it, for the next pop-up.
  if (!event->spontaneous()) place_ = pos();
  QWidget::hideEvent(event);
}

void SmartView::showEvent(QShowEvent* event) {
  if (place_ && pos() != *place_) move(*place_);
  QWidget::showEvent(event);
  keepOnAScreen();
  if (!TimeTimer.isActive()) {
    TimeTimer_Timer();
    TimeTimer.start();
  }
}

void SmartView::keepOnAScreen() {
  // A monitor unplugged since the last time: open fully on one that exists. A
  // window the user moved partly off a screen stays where it was put.
  const QRect frame = frameGeometry();
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect seen = screen->availableGeometry().intersected(frame);
    if (seen.width() >= 48 && seen.height() >= 16) return;
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  move(area.right() - frame.width() - 16, area.top() + 16);
}

void SmartView::closeEvent(QCloseEvent* event) {
  TimeTimer.stop();
  emit unloaded();
  event->accept();
}

void SmartView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void SmartView::paintEvent(QPaintEvent*) {
  // Our own background: a dark display panel with a faint scale along the bottom.
  QPainter p(this);
  QLinearGradient g(0, 0, 0, height());
  g.setColorAt(0, QColor(18, 38, 72));
  g.setColorAt(1, QColor(6, 14, 30));
  p.fillRect(rect(), g);
  p.setPen(QColor(60, 100, 160));
  for (int x = 8; x < width(); x += 12) p.drawLine(x, height() - 4, x, height() - (x % 60 == 8 ? 10 : 7));
}

}  // namespace scandeck
