// The few colours the artwork uses: the sixteen-colour palette of the old
// desktop look, plus the LCD's greens.
#pragma once
#include <QColor>

namespace art {
inline const QRgb kBlack = qRgb(0, 0, 0);
inline const QRgb kWhite = qRgb(255, 255, 255);
inline const QRgb kSilver = qRgb(192, 192, 192);
inline const QRgb kGrey = qRgb(128, 128, 128);
inline const QRgb kOlive = qRgb(128, 128, 0);  // transparent key of the slider images
inline const QRgb kGreen = qRgb(0, 255, 0);
inline const QRgb kDarkGreen = qRgb(0, 128, 0);
inline const QRgb kRed = qRgb(255, 0, 0);
inline const QRgb kDarkRed = qRgb(128, 0, 0);
inline const QRgb kClear = qRgba(0, 0, 0, 0);  // outside a cursor's shape
}  // namespace art
