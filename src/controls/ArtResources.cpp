#include "ArtResources.h"

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

QImage LoadBitmap(const char* name) { return QImage(ResourcePath(name)); }

QCursor LoadCursor(const char* name) {
  const QImage image = LoadBitmap(name);
  return QCursor(QPixmap::fromImage(image), image.text(kHotSpotXKey).toInt(), image.text(kHotSpotYKey).toInt());
}
