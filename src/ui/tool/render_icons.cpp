// Renders the program's drawn icon into a hicolor icon theme folder at the sizes
// desktops look for: <folder>/<N>x<N>/apps/scandeck.png.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "common/qt/pictures.h"

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s HICOLOR-FOLDER\n", argv[0]);
    return 2;
  }
  const QDir theme(QString::fromLocal8Bit(argv[1]));
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString apps = QStringLiteral("%1x%1/apps").arg(size);
    if (!theme.mkpath(apps) || !scandeck::pictures::AppIcon(size).save(theme.filePath(apps + "/scandeck.png"))) {
      std::fprintf(stderr, "cannot write the %dx%d icon under %s\n", size, size, argv[1]);
      return 1;
    }
  }
  return 0;
}
