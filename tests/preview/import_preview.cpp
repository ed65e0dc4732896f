// The import preview over a sample list and a partly named directory, for screenshots:
// import_preview LIST
#include <QApplication>
#include <memory>

#include "app/qt/qt_desktop.h"
#include "import/qt/import_dialog.h"
#include "support/temp_dir.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  using namespace scandeck;
  testing::TempDir folder;
  auto channels = std::make_unique<FreqDirectory>();
  auto ids = std::make_unique<IdDirectory>();
  RecordFile channel_file, id_file;
  LoadFreqDirectory(folder.file(kFreqFileName), channel_file, *channels, '.');
  LoadIdDirectory(folder.file(kIdFileName), id_file, *ids);
  const char* tacn[] = {"1033", "1297", "1299", "4017", "4019", "04-023", "99999", "4055"};
  for (int e = 1; e <= 8; ++e) ids->find(1, e)->id = tacn[e - 1];
  ids->find(1, 2)->name = "Mutual aid";
  QtDesktop desktop;
  ImportContext context{*channels, channel_file, *ids, id_file, folder.path.string(), '.', desktop, nullptr};
  ImportDialog dialog(context, argv[1], std::make_unique<FileSource>(argv[1]));
  dialog.show();
  return app.exec();
}
