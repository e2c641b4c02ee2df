// The meter's LEDs: 8 x 6 rounded rectangles, shaded as if lit from the upper
// left, with a glint at the lower right.
#include "Artwork.h"
#include "Palette.h"

namespace {
constexpr int kWidth = 8;
constexpr int kHeight = 6;

struct TLedColours {
  QRgb body, upperLeft, glint;
};
// By state: green lit, green unlit, red lit, red unlit.
const TLedColours kLeds[4] = {
    {art::kGreen, art::kDarkGreen, art::kWhite},
    {art::kDarkGreen, art::kGrey, art::kGreen},
    {art::kRed, art::kDarkRed, art::kWhite},
    {art::kDarkRed, art::kGrey, art::kRed},
};

bool IsCorner(int x, int y) { return (x == 0 || x == kWidth - 1) && (y == 0 || y == kHeight - 1); }
bool IsUpperLeft(int x, int y) { return x == 0 || y == 0; }
bool IsGlint(int x, int y) {
  return (x == kWidth - 2 && (y == kHeight - 2 || y == kHeight - 3)) || (x == kWidth - 3 && y == kHeight - 2);
}
}  // namespace

QImage PaintLed(int state) {
  const TLedColours& c = kLeds[state];
  QImage led(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      led.setPixel(x, y,
                   IsCorner(x, y)      ? art::kBlack
                   : IsUpperLeft(x, y) ? c.upperLeft
                   : IsGlint(x, y)     ? c.glint
                                       : c.body);
  return led;
}
