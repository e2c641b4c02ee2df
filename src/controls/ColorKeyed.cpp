#include "ColorKeyed.h"

void DrawColorKeyed(QPainter& canvas, int x, int y, const QImage& image, const QRect& source, QColor key) {
  QImage keyed = image.copy(source).convertToFormat(QImage::Format_ARGB32);
  const QRgb keyRgb = key.rgb();
  for (int row = 0; row < keyed.height(); ++row) {
    QRgb* pixel = reinterpret_cast<QRgb*>(keyed.scanLine(row));
    for (int column = 0; column < keyed.width(); ++column)
      if ((pixel[column] | 0xff000000u) == keyRgb) pixel[column] = 0;
  }
  canvas.drawImage(x, y, keyed);
}
