#include "ui/qt/about_window.h"

#include <QApplication>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include "common/core/contact.h"
#include "common/core/desktop.h"
#include "common/qt/click_label.h"
#include "common/qt/pictures.h"
#include "common/qt/qt_text.h"
#include "ui/core/help.h"
#include "ui/qt/main_widgets.h"

namespace scandeck {

namespace {
ClickLabel* Line(const QString& text, const char* name, const QString& accessible, QWidget* parent, bool link) {
  auto* label = new ClickLabel(text, parent);
  label->setObjectName(name);
  label->setAccessibleName(accessible);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setFont(CaptionFont(9, !link));
  if (link) label->setStyleSheet("QLabel { color: #1a4fb0; text-decoration: underline; }");
  else label->setCursor(Qt::ArrowCursor);
  return label;
}

const std::string& Address(std::string_view name) {
  static const auto links = AboutLinks();
  for (const HelpLink& l : links)
    if (l.name == name) return l.address;
  static const std::string none;
  return none;
}
}  // namespace

About::About(Desktop& desktop, QWidget* parent) : QDialog(parent), desktop_(desktop) {
  using namespace contact;
  setObjectName("About");
  setWindowTitle("About ScanDeck...");
  setModal(true);

  Picture1 = new ClickLabel({}, this);
  Picture1->setObjectName("Picture1");
  Picture1->setPixmap(pictures::AppIcon(96));
  Picture1->setAccessibleName("ScanDeck picture, click to close");
  Picture1->setCursor(Qt::ArrowCursor);

  Text1 = new QPlainTextEdit(this);
  Text1->setObjectName("Text1");
  Text1->setReadOnly(true);
  Text1->setPlainText(ToQt(AboutText()).replace("\r\n", "\n"));
  Text1->setAccessibleName("About ScanDeck, double-click to close");
  Text1->setFont(CaptionFont(9));
  Text1->viewport()->installEventFilter(this);
  Text1->setMinimumSize(460, 220);

  const QString credit = QString("%1, %2").arg(kAuthorCredit, kCopyrightYear);
  Label1 = Line(credit, "Label1", credit + ", click to close", this, false);
  Label2 = Line(QString("Thanks to %1: %2").arg(kCreditedPersonName, kCreditedPersonPage), "Label2",
                QString("Thanks to %1: %2, opens the page").arg(kCreditedPersonName, kCreditedPersonPage), this, true);
  Label3 = Line(kAuthorMailAddress, "Label3", QString("%1, write a mail").arg(kAuthorMailAddress), this, true);
  Label5 = Line("Comm Codes found on :", "Label5", "Comm Codes found on :", this, false);
  Label5->setFocusPolicy(Qt::NoFocus);
  Label4 = Line(kCommandCodesPage, "Label4", QString("%1, opens the page").arg(kCommandCodesPage), this, true);

  connect(Picture1, &ClickLabel::clicked, this, &QDialog::close);
  connect(Label1, &ClickLabel::clicked, this, &QDialog::close);
  connect(Label2, &ClickLabel::clicked, this, &About::Label2_Click);
  connect(Label3, &ClickLabel::clicked, this, &About::Label3_Click);
  connect(Label4, &ClickLabel::clicked, this, &About::Label4_Click);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Picture1, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(Label1, 0, 1);
  grid->addWidget(Text1, 1, 1);
  grid->addWidget(Label2, 2, 1);
  grid->addWidget(Label3, 3, 1);
  auto* codes = new QHBoxLayout;
  codes->addWidget(Label5);
  codes->addWidget(Label4, 1);
  grid->addLayout(codes, 4, 1);
}

void About::Label2_Click() { desktop_.openLink(Address("Label2")); }
void About::Label3_Click() { desktop_.openLink(Address("Label3")); }
void About::Label4_Click() { desktop_.openLink(Address("Label4")); }

void About::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  QApplication::beep();
}

void About::mouseDoubleClickEvent(QMouseEvent* event) {
  QDialog::mouseDoubleClickEvent(event);
  close();
}

bool About::eventFilter(QObject* watched, QEvent* event) {
  // A double-click on the text closes; a single click only places the caret.
  if (watched == Text1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    close();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace scandeck
