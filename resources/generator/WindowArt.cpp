// The deck window's own pictures: the Play and CUE lamps, the fader caps, the
// speed buttons' glyphs, the SLOW/FAST legend and the program's icon. Drawn
// pixel by pixel (no fonts), so that every machine paints the same bytes.
#include <QPainter>
#include <string>
#include <vector>

#include "Artwork.h"
#include "Palette.h"

namespace {
using TRows = std::vector<std::string>;  // '1' = ink

// A narrow pixel font for the legends; each letter is five rows high.
TRows Letter(char c) {
  switch (c) {
    case 'A':
      return {"010", "101", "111", "101", "101"};
    case 'C':
      return {"011", "100", "100", "100", "011"};
    case 'F':
      return {"111", "100", "110", "100", "100"};
    case 'H':
      return {"101", "101", "111", "101", "101"};
    case 'I':
      return {"111", "010", "010", "010", "111"};
    case 'L':
      return {"100", "100", "100", "100", "111"};
    case 'O':
      return {"111", "101", "101", "101", "111"};
    case 'P':
      return {"110", "101", "110", "100", "100"};
    case 'S':
      return {"111", "100", "111", "001", "111"};
    case 'T':
      return {"111", "010", "010", "010", "010"};
    case 'W':
      return {"10001", "10001", "10101", "10101", "01010"};
    default:
      return {"", "", "", "", ""};
  }
}

// Writes text at (x, y) with one blank column between letters; returns the end.
int Write(QImage& image, int x, int y, const char* text, QRgb ink) {
  for (; *text; ++text) {
    const TRows rows = Letter(*text);
    for (int r = 0; r < int(rows.size()); ++r)
      for (int c = 0; c < int(rows[r].size()); ++c)
        if (rows[r][c] == '1') image.setPixel(x + c, y + r, ink);
    x += int(rows[0].size()) + 1;
  }
  return x;
}

int TextWidth(const char* text) {
  int width = -1;
  for (; *text; ++text) width += int(Letter(*text)[0].size()) + 1;
  return width;
}

QImage Clear(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(art::kClear);
  return image;
}

void Fill(QImage& image, int x0, int y0, int x1, int y1, QRgb c) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) image.setPixel(x, y, c);
}

// A solid triangle pointing right (or left) with its base at column `base`,
// `height` rows from `top`; it narrows by one row on each side every `step` columns.
void Triangle(QImage& image, int base, int top, int height, bool right, QRgb c, int step = 1) {
  for (int i = 0; 2 * (i / step) < height; ++i) {
    const int x = right ? base + i : base - i;
    Fill(image, x, top + i / step, x, top + height - 1 - i / step, c);
  }
}

// Play lamp: triangle at the left, pause bars at the right.
QImage PlayLamp(QRgb triangle, QRgb bars) {
  QImage lamp = Clear(24, 12);
  Triangle(lamp, 2, 0, 12, true, triangle);
  Fill(lamp, 14, 1, 16, 10, bars);
  Fill(lamp, 19, 1, 21, 10, bars);
  return lamp;
}

// CUE in two-pixel strokes, each letter 7 x 9.
QImage CueLamp(QRgb ink) {
  QImage lamp = Clear(26, 11);
  const int top = 1, bottom = 9;
  const int c = 1, u = 10, e = 19;
  Fill(lamp, c, top, c + 1, bottom, ink);
  Fill(lamp, c, top, c + 6, top + 1, ink);
  Fill(lamp, c, bottom - 1, c + 6, bottom, ink);
  Fill(lamp, u, top, u + 1, bottom, ink);
  Fill(lamp, u + 5, top, u + 6, bottom, ink);
  Fill(lamp, u, bottom - 1, u + 6, bottom, ink);
  Fill(lamp, e, top, e + 1, bottom, ink);
  Fill(lamp, e, top, e + 6, top + 1, ink);
  Fill(lamp, e, 4, e + 4, 5, ink);
  Fill(lamp, e, bottom - 1, e + 6, bottom, ink);
  return lamp;
}

// A fader cap, two states side by side (normal, pressed): a raised grey
// block with a black line across its middle, like a mixer's fader knob.
QImage FaderCap(int stateWidth, int height, bool lineAcrossWidth) {
  QImage cap(2 * stateWidth, height, QImage::Format_RGB32);
  for (int state = 0; state < 2; ++state) {
    const int x0 = state * stateWidth, x1 = x0 + stateWidth - 1;
    Fill(cap, x0, 0, x1, height - 1, state ? art::kGrey : art::kSilver);
    Fill(cap, x0, 0, x1, 0, art::kWhite);
    Fill(cap, x0, 0, x0, height - 1, art::kWhite);
    Fill(cap, x0, height - 1, x1, height - 1, art::kBlack);
    Fill(cap, x1, 0, x1, height - 1, art::kBlack);
    if (lineAcrossWidth)
      Fill(cap, x0 + 1, height / 2, x1 - 1, height / 2, art::kBlack);
    else
      Fill(cap, x0 + stateWidth / 2, 1, x0 + stateWidth / 2, height - 2, art::kBlack);
  }
  return cap;
}

QImage OpenGlyph() {  // eject: a triangle over a bar
  QImage glyph = Clear(11, 10);
  for (int row = 0; row < 6; ++row) Fill(glyph, 5 - row, row, 5 + row, row, art::kBlack);
  Fill(glyph, 0, 8, 10, 9, art::kBlack);
  return glyph;
}

QImage PitchGlyph() {
  QImage glyph = Clear(TextWidth("PITCH"), 5);
  Write(glyph, 0, 0, "PITCH", art::kBlack);
  return glyph;
}

QImage BendGlyph(bool fast) {
  QImage glyph = Clear(5, 9);
  Triangle(glyph, fast ? 0 : 4, 0, 9, fast, art::kBlack);
  return glyph;
}

// Track and search glyphs: two triangles, with a bar for the track buttons.
QImage TransportGlyph(int width, bool forward, bool bar) {
  QImage glyph = Clear(width, 9);
  const int half = 5;  // each triangle is five columns deep
  const int barWidth = bar ? 2 : 0;
  const int used = 2 * half + barWidth + (bar ? 1 : 0);
  int x = (width - used) / 2;
  if (bar && !forward) {
    Fill(glyph, x, 0, x + 1, 8, art::kBlack);
    x += barWidth + 1;
  }
  for (int t = 0; t < 2; ++t, x += half) Triangle(glyph, forward ? x : x + half - 1, 0, 9, forward, art::kBlack);
  if (bar && forward) Fill(glyph, x + 1, 0, x + 2, 8, art::kBlack);
  return glyph;
}

// The legend under the bend buttons, each word centred below its button.
QImage BendLegend() {
  QImage legend = Clear(64, 10);
  Write(legend, (25 - TextWidth("SLOW")) / 2, 3, "SLOW", art::kBlack);
  Write(legend, 40 + (25 - TextWidth("FAST")) / 2, 3, "FAST", art::kBlack);
  return legend;
}

}  // namespace

// The program's icon: a black disc with a green play triangle on the deck's face.
QImage PaintProgramIcon() {
  QImage icon = Clear(32, 32);
  QPainter painter(&icon);
  painter.setPen(QColor(art::kBlack));
  painter.setBrush(QColor(art::kSilver));
  painter.drawRoundedRect(0, 0, 31, 31, 5, 5);
  painter.setBrush(QColor(art::kBlack));
  painter.drawEllipse(4, 4, 23, 23);
  painter.end();
  Triangle(icon, 12, 10, 12, true, art::kGreen);
  return icon;
}

std::vector<TArtwork> PaintWindowArtwork() {
  return {
      {"LEDPLAY", PlayLamp(art::kGreen, art::kDarkGreen)},
      {"LEDPLAYOFF", PlayLamp(art::kDarkGreen, art::kGreen)},
      {"LEDCUE", CueLamp(art::kRed)},
      {"LEDCUEOFF", CueLamp(art::kDarkRed)},
      {"LEDPLAYDISABLED", PlayLamp(art::kDarkGreen, art::kDarkGreen)},
      {"FADERVTHUMB", FaderCap(17, 9, true)},
      {"FADERHTHUMB", FaderCap(7, 16, false)},
      {"GLYPH_OPEN", OpenGlyph()},
      {"GLYPH_PITCH", PitchGlyph()},
      {"GLYPH_SLOW", BendGlyph(false)},
      {"GLYPH_FAST", BendGlyph(true)},
      {"GLYPH_PREV", TransportGlyph(17, false, true)},
      {"GLYPH_NEXT", TransportGlyph(17, true, true)},
      {"GLYPH_RW", TransportGlyph(23, false, false)},
      {"GLYPH_FF", TransportGlyph(21, true, false)},
      {"IMAGE1", BendLegend()},
      {"VYS_ICON", PaintProgramIcon()},
  };
}
