#include "directory/qt/directory_widgets.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

#include "common/core/type_codes.h"
#include "common/qt/option_groups.h"
#include "common/qt/qt_text.h"
#include "common/qt/twips.h"

namespace scandeck::directory_ui {

QTableWidget* MakeGrid(QWidget* parent, const char* name, const char* accessible, const std::vector<int>& twips) {
  auto* grid = new QTableWidget(0, static_cast<int>(twips.size()), parent);
  grid->setObjectName(name);
  grid->setAccessibleName(accessible);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the grid for the next control; the arrow keys move in it.
  grid->setTabKeyNavigation(false);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->horizontalHeader()->setStretchLastSection(false);
  grid->setAlternatingRowColors(true);
  // Select-all means nothing with one row at a time; the corner button is Qt's own.
  grid->setCornerButtonEnabled(false);
  for (auto* corner : grid->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
    if (corner->objectName().isEmpty()) corner->setObjectName("qt_corner_button");
  for (int c = 0; c < static_cast<int>(twips.size()); ++c) {
    const int tw = twips[static_cast<std::size_t>(c)];
    if (tw == 0) grid->setColumnHidden(c, true);
    else if (tw > 0) grid->setColumnWidth(c, Px(parent, tw));
  }
  for (int c = 0; c < grid->columnCount(); ++c) grid->horizontalHeader()->setProperty(("designed" + std::to_string(c)).c_str(), grid->columnWidth(c));
  return grid;
}

void SetHeader(QTableWidget* grid, const std::vector<std::string_view>& header) {
  QStringList labels;
  for (auto h : header) labels << ToQt(std::string(h));
  grid->setHorizontalHeaderLabels(labels);
}

void FillGridRows(QTableWidget* grid, const std::vector<std::vector<std::string>>& rows, int columns) {
  // Hidden while it fills, so that it is redrawn once.
  grid->setUpdatesEnabled(false);
  const QSignalBlocker quiet(grid);
  grid->clearContents();
  grid->setRowCount(static_cast<int>(rows.size()) + 1);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    for (int c = 0; c < columns; ++c) {
      auto* item = new QTableWidgetItem(ToQt(rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
      if (c == 0) item->setBackground(grid->palette().button());
      grid->setItem(r, c, item);
    }
  // The designed widths are the least a column gets: a type code or a mode is
  // never cut off.
  for (int c = 0; c < columns; ++c) {
    if (grid->isColumnHidden(c)) continue;
    const int designed = grid->horizontalHeader()->property(("designed" + std::to_string(c)).c_str()).toInt();
    grid->resizeColumnToContents(c);
    grid->setColumnWidth(c, std::max(designed, grid->columnWidth(c)));
  }
  grid->setUpdatesEnabled(true);
}

QComboBox* MakeBankList(QWidget* parent, const char* name, const QString& caption) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setEditable(true);
  list->setInsertPolicy(QComboBox::NoInsert);
  for (int n = 1; n <= 10; ++n) list->addItem(QString::number(n));
  list->setCurrentIndex(-1);
  list->setAccessibleName(caption);
  list->lineEdit()->setObjectName(QString(name) + "Text");
  list->lineEdit()->setAccessibleName(caption);
  return list;
}

QComboBox* MakeTypeList(QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName("TypeCmb");
  list->setEditable(true);
  list->setInsertPolicy(QComboBox::NoInsert);
  for (const TypeCode& t : kTypeCodes) {
    list->addItem(ToQt(std::string(t.code)));
    list->setItemData(list->count() - 1, ToQt(std::string(t.meaning)), Qt::ToolTipRole);
  }
  list->setCurrentIndex(-1);
  list->setAccessibleName("Type :");
  list->lineEdit()->setObjectName("TypeCmbText");
  list->lineEdit()->setAccessibleName("Type :");
  return list;
}

namespace {
// A floppy disk for save, a bin for delete: drawn so they scale.
QPixmap Picture(bool save, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const double u = size / 16.0;
  if (save) {
    p.setBrush(QColor(40, 80, 160));
    p.setPen(QPen(QColor(20, 40, 90), u));
    p.drawRoundedRect(QRectF(2 * u, 2 * u, 12 * u, 12 * u), u, u);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4 * u, 2.5 * u, 8 * u, 4 * u));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(5 * u, 9 * u, 6 * u, 4.5 * u));
  } else {
    p.setPen(QPen(QColor(110, 30, 30), u));
    p.setBrush(QColor(200, 60, 50));
    p.drawRect(QRectF(4 * u, 5 * u, 8 * u, 9 * u));
    p.drawLine(QPointF(3 * u, 4 * u), QPointF(13 * u, 4 * u));
    p.drawLine(QPointF(6.5 * u, 2.5 * u), QPointF(9.5 * u, 2.5 * u));
    for (double x : {6.0, 8.0, 10.0}) p.drawLine(QPointF(x * u, 7 * u), QPointF(x * u, 12 * u));
  }
  return pixmap;
}
}  // namespace

QToolButton* MakePictureButton(QWidget* parent, const char* name, const QString& caption, bool save) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(QIcon(Picture(save, 64)));
  button->setIconSize(QSize(28, 28));
  button->setText(caption);
  button->setToolTip(caption);
  button->setAccessibleName(caption);
  button->setAutoRaise(true);
  return button;
}

DirectoryControls MakeDirectoryControls(QWidget* parent, const char* wait_caption) {
  DirectoryControls c{};
  c.from = new QGroupBox("Data from", parent);
  c.Option1 = new QRadioButton("Scanner*", c.from);
  c.Option1->setObjectName("Option1");
  c.Option1->setAccessibleName("Scanner*, data from the scanner");
  c.Option2 = new QRadioButton("File", c.from);
  c.Option2->setObjectName("Option2");
  c.Option2->setAccessibleName("File, data from the file");
  c.Option2->setChecked(true);
  TabLandsOnChosen({c.Option1, c.Option2});
  auto* from_layout = new QVBoxLayout(c.from);
  from_layout->addWidget(c.Option1);
  from_layout->addWidget(c.Option2);

  c.to = new QGroupBox("Data to ", parent);
  c.WriteFileChk = new QCheckBox("File", c.to);
  c.WriteFileChk->setObjectName("WriteFileChk");
  c.WriteFileChk->setAccessibleName("File, data to the file");
  c.WriteFileChk->setChecked(true);
  c.WriteScannerChk = new QCheckBox("Scanner", c.to);
  c.WriteScannerChk->setObjectName("WriteScannerChk");
  c.WriteScannerChk->setAccessibleName("Scanner, data to the scanner");
  c.WriteScannerChk->setEnabled(false);
  auto* to_layout = new QVBoxLayout(c.to);
  to_layout->addWidget(c.WriteFileChk);
  to_layout->addWidget(c.WriteScannerChk);

  c.WaitLbl = new QLabel(wait_caption, parent);
  c.WaitLbl->setObjectName("WaitLbl");
  c.WaitLbl->setStyleSheet("color: #b00000; font-weight: bold;");
  c.WaitLbl->hide();
  c.note = new QLabel("* Primary Scanner, but also File for the Name", parent);
  c.note->setWordWrap(true);
  c.OkCmd = new QPushButton("OK", parent);
  c.OkCmd->setObjectName("OkCmd");
  c.CancelCmd = new QPushButton("Cancel", parent);
  c.CancelCmd->setObjectName("CancelCmd");
  return c;
}

BatchControls MakeBatchControls(QWidget* parent, const QString& caption) {
  BatchControls c;
  c.ReadAllCmd = new QPushButton(caption, parent);
  c.ReadAllCmd->setObjectName("ReadAllCmd");
  c.ReadAllBar = new QProgressBar(parent);
  c.ReadAllBar->setObjectName("ReadAllBar");
  c.ReadAllBar->setTextVisible(true);
  // Wide enough for its longest text, which it draws inside itself.
  c.ReadAllBar->setMinimumWidth(c.ReadAllBar->fontMetrics().horizontalAdvance("Stopped: 10 of 10 read") + 48);
  c.ReadAllBar->hide();
  c.CancelReadCmd = new QPushButton("Cancel read", parent);
  c.CancelReadCmd->setObjectName("CancelReadCmd");
  c.CancelReadCmd->setEnabled(false);
  c.row = new QHBoxLayout;
  c.row->addWidget(c.ReadAllCmd);
  c.row->addWidget(c.ReadAllBar, 1);
  c.row->addWidget(c.CancelReadCmd);
  return c;
}

void ShowBatch(const BatchControls& c, const BatchRead& batch, bool reading) {
  // The keyboard focus passes between the two buttons as they take turns, rather
  // than falling to whatever comes next in the window.
  const bool start = !reading && !batch.running();
  if (batch.running()) c.CancelReadCmd->setEnabled(true);
  if (start) c.ReadAllCmd->setEnabled(true);
  if (batch.running() && c.ReadAllCmd->hasFocus()) c.CancelReadCmd->setFocus();
  if (!batch.running() && c.CancelReadCmd->hasFocus() && start) c.ReadAllCmd->setFocus();
  c.ReadAllCmd->setEnabled(start);
  c.CancelReadCmd->setEnabled(batch.running());
  if (batch.bank() == 0) return;
  const QString text = ToQt(batch.progressText());
  c.ReadAllBar->setRange(0, batch.banks());
  c.ReadAllBar->setValue(batch.progress());
  c.ReadAllBar->setFormat(text);
  c.ReadAllBar->setAccessibleName("Read progress: " + text);
  c.ReadAllBar->show();
}

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  if (buddy->accessibleName().isEmpty() || !buddy->accessibleName().contains(QString(text).remove('&').trimmed()))
    buddy->setAccessibleName(QString(text).remove('&').trimmed());
  return label;
}

}  // namespace scandeck::directory_ui
