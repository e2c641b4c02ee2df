// Writes the controls' artwork as PNG files into the folder given, normally
// resources/artwork (the build's `regenerate-artwork` target does that).
#include <QDir>
#include <cstdio>

#include "Artwork.h"

namespace {
// Opaque images go out palette-based, as small as the old bitmaps were; the
// conversion is exact because each image has only a few colours.
QImage ForSaving(const QImage& image) {
  if (image.hasAlphaChannel()) return image;
  return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
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
