#pragma once
// The import preview ("Import names") and the export choice, opened from the main
// window's Memories menu. They take the two directories, their files, the Desktop
// and a callback for the main display; the rules are all in import/core.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "common/core/desktop.h"
#include "import/core/import_preview.h"

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace scandeck {

struct ImportContext {
  FreqDirectory& channels;
  RecordFile& channelFile;
  IdDirectory& talkgroups;
  RecordFile& talkgroupFile;
  std::string folder;
  char separator;
  Desktop& desktop;
  std::function<void()> applied;  // the main display shows the new names
};

class ImportDialog : public QDialog {
 public:
  // Reads the list from `source` for each preview (and the export of what is not
  // in the directory), so that its length costs no memory.
  ImportDialog(ImportContext context, std::string path, std::unique_ptr<ByteSource> source, QWidget* parent = nullptr);

  const ImportPreview& preview() const { return preview_; }
  void Apply_Click();
  void rebuild();

 private:
  void fillTables();
  void exportNotFound();

  ImportOptions options() const;

  ImportContext context_;
  std::string path_;
  std::unique_ptr<ByteSource> source_;
  ImportPreview preview_;
  QLabel* summary_;
  QComboBox* NameColumnCmb;
  QRadioButton* OnlyEmptyOpt;
  QRadioButton* ReplaceOpt;
  QSpinBox* TrunkBankSpin;
  QTableWidget* ChangesGrid;
  QTableWidget* NotFoundGrid;
  QTableWidget* SkippedGrid;
  QTableWidget* TypesGrid;
  QPushButton* ApplyCmd;
};

// Memories > "Import names...": asks for a file, reads it and shows the preview.
void RunImport(QWidget* parent, const ImportContext& context);
// Memories > "Export...": what to export, then where.
void RunExport(QWidget* parent, const ImportContext& context);

}  // namespace scandeck
