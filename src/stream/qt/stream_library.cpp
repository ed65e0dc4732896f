#include "stream/qt/stream_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace scandeck {

ScandeckStreamMakeFn OpenStreamLibrary(const QStringList& folders, QString* why) {
  QStringList tried;
  for (const QString& folder : folders) {
    // Never unloaded: a sender stuck in a connect may outlive its owner.
    QLibrary library(QDir::cleanPath(QDir(folder).filePath("scandeck-stream")));
    if (!library.load()) {
      tried << library.errorString();
      continue;
    }
    const auto interface = reinterpret_cast<ScandeckStreamInterfaceFn>(library.resolve("scandeck_stream_interface"));
    const auto make = reinterpret_cast<ScandeckStreamMakeFn>(library.resolve("scandeck_stream_make"));
    if (interface && interface() == kStreamInterface && make) return make;
    tried << library.fileName() + " is from another version of ScanDeck";
    library.unload();
  }
  if (why) *why = tried.isEmpty() ? QString("no folder to look in") : tried.join("; ");
  return nullptr;
}

std::unique_ptr<StreamSender> MakeStreamSender(const StreamOptions& options, QString* why) {
  static QString failure;
  static const ScandeckStreamMakeFn make = [] {
    const QString here = QCoreApplication::applicationDirPath();
    return OpenStreamLibrary({here, QDir(here).filePath("../lib/scandeck")}, &failure);
  }();
  if (!make) {
    if (why) *why = failure;
    return nullptr;
  }
  return std::unique_ptr<StreamSender>(make(&options));
}

}  // namespace scandeck
