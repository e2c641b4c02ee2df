// The slider's default thumbs and grooves in the raised-and-sunken look of the
// old desktop. Olive marks pixels the slider leaves transparent.
#include <algorithm>

#include "Artwork.h"
#include "Palette.h"

namespace {
// A thumb state, drawn pointing down: a 9 x 13 button with a 4-row point.
constexpr int kThumbWidth = 9;
constexpr int kThumbLength = 17;
constexpr int kThumbBody = 13;
// The groove across a ruler image: four rows, dark above and light below.
constexpr int kRulerLength = 10;
constexpr int kHRulerCross = 10;
constexpr int kVRulerCross = 8;
constexpr int kGrooveDepth = 4;

// (x, y) in a down-pointing thumb, x across, y along the point's direction.
bool InThumb(int x, int y) {
  if (x < 0 || y < 0 || x >= kThumbWidth || y >= kThumbLength) return false;
  const int inset = y < kThumbBody ? 0 : y - kThumbBody + 1;
  return x >= inset && x < kThumbWidth - inset;
}

// Raised edges: light where the shape faces the upper left, dark at the lower
// right; a pressed thumb has a hatched face.
QRgb ThumbPixel(int x, int y, bool pressed) {
  if (!InThumb(x, y)) return art::kOlive;
  if (!InThumb(x - 1, y) || !InThumb(x, y - 1)) return art::kWhite;
  if (!InThumb(x + 1, y) || !InThumb(x, y + 1)) return art::kBlack;
  if (!InThumb(x + 2, y) || !InThumb(x, y + 2) || !InThumb(x + 1, y + 1)) return art::kGrey;
  return pressed && (x + y) % 2 ? art::kWhite : art::kSilver;
}

// The sunken groove, two rings deep: each ring dark on the sides facing the
// upper left and light on the others.
QRgb GroovePixel(int along, int across) {
  const int ring = std::min({along, across, kRulerLength - 1 - along, kGrooveDepth - 1 - across});
  const bool upperLeft = std::min(along, across) == ring;
  if (ring == 0) return upperLeft ? art::kGrey : art::kWhite;
  return upperLeft ? art::kBlack : art::kSilver;
}
}  // namespace

QImage PaintSliderThumb(bool vertical) {
  // Two states side by side: normal, then pressed.
  QImage thumb = vertical ? QImage(2 * kThumbLength, kThumbWidth, QImage::Format_RGB32)
                          : QImage(2 * kThumbWidth, kThumbLength, QImage::Format_RGB32);
  const int stateWidth = thumb.width() / 2;
  for (int state = 0; state < 2; ++state)
    for (int y = 0; y < thumb.height(); ++y)
      for (int x = 0; x < stateWidth; ++x)
        thumb.setPixel(state * stateWidth + x, y, vertical ? ThumbPixel(y, x, state) : ThumbPixel(x, y, state));
  return thumb;
}

QImage PaintSliderRuler(bool vertical) {
  const int cross = vertical ? kVRulerCross : kHRulerCross;
  const int grooveStart = (cross - kGrooveDepth) / 2;
  QImage ruler =
      vertical ? QImage(cross, kRulerLength, QImage::Format_RGB32) : QImage(kRulerLength, cross, QImage::Format_RGB32);
  ruler.fill(art::kOlive);
  for (int along = 0; along < kRulerLength; ++along)
    for (int across = 0; across < kGrooveDepth; ++across) {
      const QRgb c = GroovePixel(along, across);
      if (vertical)
        ruler.setPixel(grooveStart + across, along, c);
      else
        ruler.setPixel(along, grooveStart + across, c);
    }
  return ruler;
}
