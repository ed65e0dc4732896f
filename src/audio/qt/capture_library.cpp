// Opens the scandeck-capture library beside the program, else in the installed
// private folder, once per run; a failure is kept and told every time after.
#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#include "audio/qt/capture_session.h"

namespace scandeck {

CaptureLibrary OpenCaptureLibrary(const QStringList& folders) {
  CaptureLibrary found;
  QStringList tried;
  for (const QString& folder : folders) {
    // Never unloaded: sessions made by it may live until the end of the run.
    QLibrary library(QDir::cleanPath(QDir(folder).filePath("scandeck-capture")));
    if (!library.load()) {
      tried << library.errorString();
      continue;
    }
    const auto interface = reinterpret_cast<ScandeckCaptureInterfaceFn>(library.resolve("scandeck_capture_interface"));
    if (!interface || interface() != kCaptureInterface) {
      tried << library.fileName() + " is from another version of ScanDeck";
      library.unload();
      continue;
    }
    found.make = reinterpret_cast<ScandeckCaptureMakeFn>(library.resolve("scandeck_capture_make"));
    found.inputs = reinterpret_cast<ScandeckCaptureInputsFn>(library.resolve("scandeck_capture_inputs"));
    found.player = reinterpret_cast<ScandeckCapturePlayerFn>(library.resolve("scandeck_capture_player"));
    if (found.make && found.inputs && found.player) return found;
    tried << library.fileName() + " lacks the capture's entry points";
    library.unload();
  }
  found.make = nullptr;
  found.inputs = nullptr;
  found.player = nullptr;
  found.why = tried.isEmpty() ? QString("no folder to look in") : tried.join("; ");
  return found;
}

namespace {
const CaptureLibrary& Library() {
  static const CaptureLibrary library = [] {
    const QString here = QCoreApplication::applicationDirPath();
    return OpenCaptureLibrary({here, QDir(here).filePath("../lib/scandeck")});
  }();
  return library;
}
}  // namespace

std::unique_ptr<CaptureSession> MakeCaptureSession(const RecordingSettings& settings,
                                                   const std::string& working_folder, QString* why) {
  const CaptureLibrary& library = Library();
  if (!library.make) {
    if (why) *why = library.why;
    return nullptr;
  }
  return std::unique_ptr<CaptureSession>(library.make(&settings, working_folder.c_str()));
}

std::optional<QStringList> CaptureInputNames(QString* why) {
  const CaptureLibrary& library = Library();
  if (!library.inputs) {
    if (why) *why = library.why;
    return std::nullopt;
  }
  QStringList names;
  library.inputs(&names);
  return names;
}

std::unique_ptr<CallPlayer> MakeCallPlayer(QString* why) {
  const CaptureLibrary& library = Library();
  if (!library.player) {
    if (why) *why = library.why;
    return nullptr;
  }
  return std::unique_ptr<CallPlayer>(library.player());
}

}  // namespace scandeck
