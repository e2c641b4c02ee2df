// Paints every bitmap and cursor of the controls. The PNGs in resources/artwork
// are this code's output; a test keeps the two equal.
#pragma once
#include <QImage>
#include <vector>

struct TArtwork {
  const char* name;  // resource name, also the PNG's base name
  QImage image;
};

// Every piece of artwork, in a fixed order.
std::vector<TArtwork> PaintArtwork();

QImage PaintLcdStrip(int charSet);
QImage PaintKnobStrip();
QImage PaintKnobCursor();
QImage PaintLed(int state);  // 0 green lit, 1 green unlit, 2 red lit, 3 red unlit
QImage PaintSliderThumb(bool vertical);
QImage PaintSliderRuler(bool vertical);
QImage PaintHandCursor();
// The deck window's lamps, fader caps, glyphs, legend and icon.
std::vector<TArtwork> PaintWindowArtwork();
QImage PaintProgramIcon();
// The About box's logo and the cursor over its links.
QImage PaintAboutLogo();
QImage PaintLinkCursor();
// The program's icon enlarged to side x side pixels (a multiple of 32).
QImage PaintIconAt(int side);
