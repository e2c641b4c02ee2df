// Writes the controls' artwork as PNG files into the folder given, normally
// resources/artwork (the build's `regenerate-artwork` target does that).
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Artwork.h"

namespace {
// Opaque images go out palette-based, as small as the old bitmaps were; the
// conversion is exact because each image has only a few colours.
QImage ForSaving(const QImage& image) {
  if (image.hasAlphaChannel()) return image;
  return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}


// The desktop icons, one folder a size as the hicolor theme lays them out.
int WriteIcons(const QDir& folder, int count, char** sides) {
  for (int i = 0; i < count; ++i) {
    const int side = std::atoi(sides[i]);
    const QString size = QString("%1x%1/apps").arg(side);
    if (side < 32 || side % 32 != 0 || !folder.mkpath(size) ||
        !PaintIconAt(side).save(folder.filePath(size + "/vy-system.png"), "PNG")) {
      std::fprintf(stderr, "cannot write the %s pixel icon\n", sides[i]);
      return 1;
    }
  }
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--icons") == 0)
    return WriteIcons(QDir(QString::fromLocal8Bit(argv[2])), argc - 3, argv + 3);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER | --icons OUTPUT_FOLDER SIDE...\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  for (const TArtwork& art : PaintArtwork()) {
    const QString path = folder.filePath(QString(art.name) + ".png");
    if (!ForSaving(art.image).save(path, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
