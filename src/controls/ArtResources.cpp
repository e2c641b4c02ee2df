#include "ArtResources.h"

#include <QImageReader>
#include <QPixmap>

// The resource file is compiled into this static library; its registration
// has to be pulled in explicitly, at global scope.
static void RegisterArtwork() { Q_INIT_RESOURCE(artwork); }

namespace {
QString ResourcePath(const char* name) {
  static const bool registered = (RegisterArtwork(), true);
  (void)registered;
  return QStringLiteral(":/") + QLatin1String(name);
}
}  // namespace

// The artwork is all PNG, which Qt reads itself: without a guess at the
// format, no image plugin is loaded to be asked whether it knows the files.
QImage LoadBitmap(const char* name) {
  QImageReader reader(ResourcePath(name), "png");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

QCursor LoadCursor(const char* name) {
  const QImage image = LoadBitmap(name);
  return QCursor(QPixmap::fromImage(image), image.text(kHotSpotXKey).toInt(), image.text(kHotSpotYKey).toInt());
}
