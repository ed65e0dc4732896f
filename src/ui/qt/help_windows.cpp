#include "ui/qt/help_windows.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "common/qt/click_label.h"
#include "common/qt/pictures.h"
#include "common/qt/qt_text.h"
#include "ui/core/help.h"
#include "ui/qt/main_widgets.h"

namespace scandeck {

HelpWindow::HelpWindow(const char* name, const QString& caption, const std::string& text, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(name);
  setWindowTitle(caption);
  setWindowIcon(QIcon(pictures::AppIcon(64)));
  setAttribute(Qt::WA_DeleteOnClose);

  Text1 = new QPlainTextEdit(this);
  Text1->setObjectName("Text1");
  Text1->setReadOnly(true);
  Text1->setPlainText(ToQt(text).replace("\r\n", "\n"));
  Text1->setAccessibleName(caption);
  Text1->setFont(CaptionFont(9));
  Text1->setLineWrapMode(QPlainTextEdit::NoWrap);

  OkCmd = new ClickLabel("OK", this);
  OkCmd->setObjectName("OkCmd");
  OkCmd->setAccessibleName("OK, close the help");
  OkCmd->setFont(CaptionFont(9, true));
  OkCmd->setMinimumSize(90, 26);
  OkCmd->setStyleSheet(
      "QLabel { border: 1px solid #909090; border-radius: 3px; background: #f4f4f4; padding: 2px 10px; }"
      "QLabel[focused=\"true\"] { border: 2px solid #3070d0; }");
  connect(OkCmd, &ClickLabel::clicked, this, &HelpWindow::OkCmd_Click);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Text1);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(OkCmd);
  row->addStretch();
  layout->addLayout(row);

  // Wide and tall enough for the whole text without scrolling.
  const QFontMetrics metrics(Text1->font());
  int width = 0;
  const QStringList lines = Text1->toPlainText().split('\n');
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(QString(line).replace('\t', "        ")));
  resize(width + 60, metrics.lineSpacing() * static_cast<int>(lines.size()) + 90);
}

HelpType::HelpType(QWidget* parent) : HelpWindow("HelpType", "Help on 'Type'", HelpTypeText(), parent) {}

HelpCenterTuning::HelpCenterTuning(QWidget* parent)
    : HelpWindow("HelpCenterTuning", "Help On Center Tuning", HelpCenterTuningText(), parent) {}

}  // namespace scandeck
