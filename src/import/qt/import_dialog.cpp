#include "import/qt/import_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "common/core/safe_write.h"
#include "common/qt/qt_text.h"
#include "import/core/directory_csv.h"

namespace scandeck {

namespace {

// A table named by its tab's caption; Tab leaves it, the arrow keys move in it.
QTableWidget* Grid(const char* name, const QString& caption, const QStringList& header, QWidget* parent) {
  auto* grid = new QTableWidget(0, static_cast<int>(header.size()), parent);
  grid->setObjectName(name);
  grid->setAccessibleName(QString(caption).remove('&'));
  grid->setTabKeyNavigation(false);
  grid->setHorizontalHeaderLabels(header);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->verticalHeader()->setVisible(false);
  grid->horizontalHeader()->setStretchLastSection(true);
  return grid;
}

void Put(QTableWidget* grid, int row, const QStringList& cells) {
  for (int c = 0; c < cells.size(); ++c) grid->setItem(row, c, new QTableWidgetItem(cells[c]));
}

QString Num(int n) { return QString::number(n); }

}  // namespace

ImportDialog::ImportDialog(ImportContext context, std::string path, std::unique_ptr<ByteSource> source, QWidget* parent)
    : QDialog(parent), context_(std::move(context)), path_(std::move(path)), source_(std::move(source)) {
  ImportOptions first;
  first.separator = context_.separator;
  preview_ = BuildPreview(*source_, first, context_.channels, context_.talkgroups);
  setObjectName("ImportNames");
  setWindowTitle("Import names");
  auto* layout = new QVBoxLayout(this);
  auto* file = new QLabel(ToQt(std::filesystem::path(path_).filename().string()) + " \u2014 " + ToQt(preview_.format), this);
  file->setObjectName("FileLbl");
  layout->addWidget(file);

  auto* form = new QFormLayout;
  NameColumnCmb = new QComboBox(this);
  NameColumnCmb->setObjectName("NameColumnCmb");
  if (preview_.commentColumn) NameColumnCmb->addItems({"Name", "Comment"});
  else NameColumnCmb->addItems({"Alpha tag", "Description"});
  NameColumnCmb->setAccessibleName("Name column");
  auto* name_label = new QLabel("&Name column:", this);
  name_label->setBuddy(NameColumnCmb);
  form->addRow(name_label, NameColumnCmb);
  auto* names = new QHBoxLayout;
  OnlyEmptyOpt = new QRadioButton("&Only empty names", this);
  OnlyEmptyOpt->setObjectName("OnlyEmptyOpt");
  OnlyEmptyOpt->setAccessibleName("Only empty names");
  OnlyEmptyOpt->setChecked(true);
  ReplaceOpt = new QRadioButton("&Replace names", this);
  ReplaceOpt->setObjectName("ReplaceOpt");
  ReplaceOpt->setAccessibleName("Replace names");
  names->addWidget(OnlyEmptyOpt);
  names->addWidget(ReplaceOpt);
  names->addStretch();
  form->addRow("Names:", names);
  TrunkBankSpin = new QSpinBox(this);
  TrunkBankSpin->setObjectName("TrunkBankSpin");
  TrunkBankSpin->setRange(1, kIdBanks);
  TrunkBankSpin->setAccessibleName("Trunk bank");
  auto* bank_label = new QLabel("&Trunk bank:", this);
  bank_label->setBuddy(TrunkBankSpin);
  form->addRow(bank_label, TrunkBankSpin);
  bank_label->setVisible(preview_.talkgroups);
  TrunkBankSpin->setVisible(preview_.talkgroups);
  layout->addLayout(form);

  summary_ = new QLabel(this);
  summary_->setObjectName("SummaryLbl");
  summary_->setWordWrap(true);
  layout->addWidget(summary_);

  auto* tabs = new QTabWidget(this);
  tabs->setObjectName("ImportTabs");
  const bool ids = preview_.talkgroups;
  const QString changes = "&Changes", not_found = "Not in the &directory", skipped = "&Skipped lines",
                types = "T&ypes from tags";
  ChangesGrid = Grid("ChangesGrid", changes, {"Line", "Entry", ids ? "ID" : "Frequency", "Matched by", "Old name", "Old type",
                                     "New name", "New type", "Note"}, this);
  NotFoundGrid = Grid("NotFoundGrid", not_found, {"Line", ids ? "ID" : "Frequency", "Name", "Tag"}, this);
  SkippedGrid = Grid("SkippedGrid", skipped, {"Line", "Reason"}, this);
  TypesGrid = Grid("TypesGrid", types, {"Tag or category", "Type"}, this);
  tabs->addTab(ChangesGrid, changes);
  tabs->addTab(NotFoundGrid, not_found);
  tabs->addTab(SkippedGrid, skipped);
  tabs->addTab(TypesGrid, types);
  layout->addWidget(tabs, 1);
  TypesGrid->setRowCount(static_cast<int>(TagTypes().size()));
  for (int i = 0; i < TypesGrid->rowCount(); ++i)
    Put(TypesGrid, i, {ToQt(std::string(TagTypes()[static_cast<std::size_t>(i)].tag)),
                       ToQt(std::string(TagTypes()[static_cast<std::size_t>(i)].code))});

  auto* buttons = new QDialogButtonBox(this);
  auto* save_missing = buttons->addButton("E&xport not found...", QDialogButtonBox::ActionRole);
  save_missing->setObjectName("ExportNotFoundCmd");
  save_missing->setAccessibleName("Export not found");
  auto* apply = ApplyCmd = buttons->addButton("&Apply", QDialogButtonBox::AcceptRole);
  apply->setObjectName("ApplyCmd");
  apply->setAccessibleName("Apply");
  auto* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  cancel->setObjectName("CancelCmd");
  cancel->setAccessibleName("Cancel");
  layout->addWidget(buttons);
  connect(apply, &QPushButton::clicked, this, [this] { Apply_Click(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(save_missing, &QPushButton::clicked, this, [this] { exportNotFound(); });
  connect(NameColumnCmb, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
  connect(ReplaceOpt, &QRadioButton::toggled, this, [this] { rebuild(); });
  connect(TrunkBankSpin, &QSpinBox::valueChanged, this, [this] { rebuild(); });
  fillTables();
  resize(980, 560);
}

ImportOptions ImportDialog::options() const {
  ImportOptions o;
  o.column = NameColumnCmb->currentIndex() == 1 ? NameColumn::Description : NameColumn::AlphaTag;
  o.replaceNames = ReplaceOpt->isChecked();
  o.trunkBank = TrunkBankSpin->value();
  o.separator = context_.separator;
  return o;
}

void ImportDialog::rebuild() {
  preview_ = BuildPreview(*source_, options(), context_.channels, context_.talkgroups);
  fillTables();
}

void ImportDialog::fillTables() {
  const auto& p = preview_;
  summary_->setText(QString("%1 changes, %2 kept (already named), %3 unchanged, %4 not in the directory, %5 lines skipped, "
                            "%6 names cut to 40 characters (marked), %7 characters Latin-1 cannot hold replaced by '?'.")
                        .arg(p.changes.size()).arg(p.kept).arg(p.same).arg(p.notFoundCount).arg(p.skipped.count)
                        .arg(p.cut).arg(p.replaced));
  // A list refused, or a file gone since it was opened: nothing of it is applied.
  if (!p.error.empty()) summary_->setText(ToQt(p.error));
  ApplyCmd->setEnabled(p.error.empty());
  summary_->setAccessibleName(summary_->text());
  ChangesGrid->setRowCount(static_cast<int>(p.changes.size()));
  for (int i = 0; i < ChangesGrid->rowCount(); ++i) {
    const PreviewChange& c = p.changes[static_cast<std::size_t>(i)];
    QString note = c.cut ? "cut to 40" : "";
    if (c.replaced) note += QString(note.isEmpty() ? "" : ", ") + Num(c.replaced) + " replaced";
    Put(ChangesGrid, i, {Num(c.line), ToQt(c.where), ToQt(c.key), ToQt(c.matchedBy), ToQt(c.oldName), ToQt(c.oldType),
                         ToQt(c.newName), ToQt(c.newType), note});
  }
  const int unlisted = p.notFoundCount - static_cast<int>(p.notFound.size());
  NotFoundGrid->setRowCount(static_cast<int>(p.notFound.size()) + (unlisted > 0 ? 1 : 0));
  for (std::size_t i = 0; i < p.notFound.size(); ++i) {
    const NotInDirectory& n = p.notFound[i];
    Put(NotFoundGrid, static_cast<int>(i), {Num(n.line), ToQt(n.key), ToQt(n.name), ToQt(n.tag)});
  }
  if (unlisted > 0)
    Put(NotFoundGrid, NotFoundGrid->rowCount() - 1, {"", QString("%1 more rows (Export not found writes them all)").arg(unlisted)});
  const int more = p.skipped.count - static_cast<int>(p.skipped.lines.size());
  SkippedGrid->setRowCount(static_cast<int>(p.skipped.lines.size()) + (more > 0 ? 1 : 0));
  for (std::size_t i = 0; i < p.skipped.lines.size(); ++i)
    Put(SkippedGrid, static_cast<int>(i), {Num(p.skipped.lines[i].line), ToQt(p.skipped.lines[i].reason)});
  if (more > 0) Put(SkippedGrid, SkippedGrid->rowCount() - 1, {"", QString("%1 more lines").arg(more)});
  for (QTableWidget* grid : {ChangesGrid, NotFoundGrid, SkippedGrid}) grid->resizeColumnsToContents();
}

void ImportDialog::Apply_Click() {
  DirectoryFiles files{context_.channels, context_.channelFile, (std::filesystem::path(context_.folder) / kFreqFileName).string(),
                       context_.talkgroups, context_.talkgroupFile, (std::filesystem::path(context_.folder) / kIdFileName).string()};
  if (Failure f = ApplyPreview(preview_, files)) {
    context_.desktop.warn("Import names", "The names were not saved: " + f.description);
    return;
  }
  if (context_.applied) context_.applied();
  accept();
}

void ImportDialog::exportNotFound() {
  const QString path = QFileDialog::getSaveFileName(this, "Export rows not in the directory", QString(), "CSV (*.csv)");
  if (path.isEmpty()) return;
  std::string error;
  const std::string csv = NotInDirectoryCsv(*source_, options(), context_.channels, context_.talkgroups, error);
  if (!error.empty()) {
    context_.desktop.warn("Export", "Not written: " + error);
    return;
  }
  if (Failure f = WriteFileAtomically(path.toStdString(), csv))
    context_.desktop.warn("Export", "Not written: " + f.description);
}

void RunImport(QWidget* parent, const ImportContext& context) {
  const QString path = QFileDialog::getOpenFileName(parent, "Import names", QString(),
                                                    "Lists (*.csv *.tsv *.txt *.xml);;All files (*)");
  if (path.isEmpty()) return;
  auto source = std::make_unique<FileSource>(path.toStdString());
  if (!source->isOpen()) {
    context.desktop.warn("Import names", "File not found: " + path.toStdString());
    return;
  }
  ImportDialog dialog(context, path.toStdString(), std::move(source), parent);
  if (!dialog.preview().error.empty()) {
    context.desktop.warn("Import names", dialog.preview().error);
    return;
  }
  dialog.exec();
}

void RunExport(QWidget* parent, const ImportContext& context) {
  QDialog choose(parent);
  choose.setObjectName("ExportDirectories");
  choose.setWindowTitle("Export");
  auto* form = new QFormLayout(&choose);
  auto* what = new QComboBox(&choose);
  what->setObjectName("WhatCmb");
  what->setAccessibleName("Directory");
  what->addItems({"Both directories", "Frequency directory", "ID directory"});
  auto* bank = new QComboBox(&choose);
  bank->setObjectName("BankCmb");
  bank->setAccessibleName("Bank");
  bank->addItem("Every bank");
  for (int b = 1; b <= kIdBanks; ++b) bank->addItem(QString::number(b));
  auto* what_label = new QLabel("&Directory:", &choose);
  what_label->setBuddy(what);
  auto* bank_label = new QLabel("&Bank:", &choose);
  bank_label->setBuddy(bank);
  form->addRow(what_label, what);
  form->addRow(bank_label, bank);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, &choose);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &choose, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &choose, &QDialog::reject);
  if (choose.exec() != QDialog::Accepted) return;
  const QString path = QFileDialog::getSaveFileName(parent, "Export", "scandeck-directories.csv", "CSV (*.csv)");
  if (path.isEmpty()) return;
  const ExportChoice choice{what->currentIndex() != 2, what->currentIndex() != 1, bank->currentIndex()};
  if (Failure f = WriteFileAtomically(path.toStdString(), ExportDirectories(context.channels, context.talkgroups, choice)))
    context.desktop.warn("Export", "Not written: " + f.description);
}

}  // namespace scandeck
