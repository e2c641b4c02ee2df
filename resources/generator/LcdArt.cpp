// The LCD glyph strips: slanted seven-segment shapes, anti-aliased by
// measuring how much of each pixel a segment covers and mapping that onto the
// few greens a real panel shows.
#include <QPolygonF>
#include <algorithm>
#include <vector>

#include "Artwork.h"
#include "Palette.h"
#include "controls/LcdCharSets.h"

namespace {
// Where a digit's seven segments sit in a cell, in pixels.
struct TFrame {
  double left, right, top, bottom;
  double thickness;
  double narrowX;    // centre line of the narrow one
  double signRight;  // right end of the minus or sign bar
};
constexpr TFrame kNormalFrame{3.0, 12.0, 1.5, 19.5, 2.6, 3.6, 7.5};
constexpr TFrame kSmallFrame{2.0, 8.5, 1.0, 13.0, 1.8, 1.9, 9.5};
// Right shift per pixel above the middle line: the italic lean of a panel.
constexpr double kSlant = 0.11;
// Clear space between neighbouring segments.
constexpr double kSegmentGap = 0.5;
// Samples per pixel side when measuring coverage.
constexpr int kSamples = 4;

// Segment bits a..g for the digits 0..9.
constexpr unsigned char kDigitSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

struct TSegment {
  QPolygonF shape;
  bool lit;
};

QPolygonF HorizontalBar(double x0, double x1, double yc, double t) {
  const double h = t / 2;
  x0 += kSegmentGap;
  x1 -= kSegmentGap;
  return QPolygonF({{x0, yc}, {x0 + h, yc - h}, {x1 - h, yc - h}, {x1, yc}, {x1 - h, yc + h}, {x0 + h, yc + h}});
}

QPolygonF VerticalBar(double xc, double y0, double y1, double t) {
  const double h = t / 2;
  y0 += kSegmentGap;
  y1 -= kSegmentGap;
  return QPolygonF({{xc, y0}, {xc + h, y0 + h}, {xc + h, y1 - h}, {xc, y1}, {xc - h, y1 - h}, {xc - h, y0 + h}});
}

QPolygonF Square(double x0, double y0, double side) {
  return QPolygonF({{x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}});
}

double Middle(const TFrame& f) { return (f.top + f.bottom) / 2; }

// Segments a..g of a digit position, lit as the mask says.
void AddDigit(std::vector<TSegment>& out, const TFrame& f, unsigned mask) {
  const double t = f.thickness, m = Middle(f), h = t / 2;
  const QPolygonF shapes[7] = {
      HorizontalBar(f.left, f.right, f.top + h, t),     // a
      VerticalBar(f.right - h, f.top, m, t),            // b
      VerticalBar(f.right - h, m, f.bottom, t),         // c
      HorizontalBar(f.left, f.right, f.bottom - h, t),  // d
      VerticalBar(f.left + h, m, f.bottom, t),          // e
      VerticalBar(f.left + h, f.top, m, t),             // f
      HorizontalBar(f.left, f.right, m, t),             // g
  };
  for (int s = 0; s < 7; ++s) out.push_back({shapes[s], (mask >> s & 1) != 0});
}

void AddNarrowOne(std::vector<TSegment>& out, const TFrame& f, bool upper, bool lower) {
  out.push_back({VerticalBar(f.narrowX, f.top, Middle(f), f.thickness), upper});
  out.push_back({VerticalBar(f.narrowX, Middle(f), f.bottom, f.thickness), lower});
}

void AddPoint(std::vector<TSegment>& out, const TFrame& f, bool lit) {
  out.push_back({Square(1.5, f.bottom - f.thickness, f.thickness), lit});
}

void AddColon(std::vector<TSegment>& out, const TFrame& f, bool lit) {
  const double t = f.thickness, m = Middle(f);
  out.push_back({Square(1.5, (f.top + m - t) / 2, t), lit});
  out.push_back({Square(1.5, (m + f.bottom - t) / 2, t), lit});
}

// The small set's sign position: a horizontal and a vertical bar crossing.
void AddSign(std::vector<TSegment>& out, const TFrame& f, bool horizontal, bool vertical) {
  const double m = Middle(f), xc = f.signRight / 2;
  out.push_back({HorizontalBar(0.5, f.signRight, m, f.thickness), horizontal});
  out.push_back({VerticalBar(xc, m - xc + 0.5, m + xc - 0.5, f.thickness), vertical});
}

std::vector<TSegment> Glyph(int charSet, char c) {
  const TFrame& f = charSet == 0 ? kNormalFrame : kSmallFrame;
  std::vector<TSegment> out;
  if (c == 'b') AddDigit(out, f, 0);
  if (c >= '0' && c <= '9') AddDigit(out, f, kDigitSegments[c - '0']);
  if (c == 'e' || c == 'I' || c == 'i') AddNarrowOne(out, f, c == 'I', c != 'e');
  if (c == 'c' || c == '.') AddPoint(out, f, c == '.');
  if (c == 'd' || c == ':') AddColon(out, f, c == ':');
  if (charSet == 0 && (c == 'a' || c == '-'))
    out.push_back({HorizontalBar(0.5, f.signRight, Middle(f), f.thickness), c == '-'});
  if (charSet == 1 && (c == 'a' || c == '+' || c == '-')) AddSign(out, f, c != 'a', c == '+');
  for (TSegment& s : out)
    for (QPointF& p : s.shape) p.rx() += kSlant * (Middle(f) - p.y());
  return out;
}

double Coverage(const QPolygonF& shape, int x, int y) {
  int inside = 0;
  for (int sy = 0; sy < kSamples; ++sy)
    for (int sx = 0; sx < kSamples; ++sx) {
      const QPointF p(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
      inside += shape.containsPoint(p, Qt::OddEvenFill);
    }
  return double(inside) / (kSamples * kSamples);
}

// Lit segments fade out through the panel's intermediate greens.
int LitGreen(double coverage) {
  const double steps[] = {0.9, 0.7, 0.5, 0.3, 0.1};
  const int greens[] = {255, 192, 160, 128, 96};
  for (int i = 0; i < 5; ++i)
    if (coverage >= steps[i]) return greens[i];
  return 0;
}

int UnlitGreen(double coverage) { return coverage >= 0.5 ? 64 : coverage >= 0.1 ? 32 : 0; }

void PaintGlyph(QImage& strip, int charSet, int cell, char c) {
  const TLcdCharSet& set = kLcdCharSets[charSet];
  const std::vector<TSegment> glyph = Glyph(charSet, c);
  for (int y = 0; y < set.height; ++y)
    for (int x = 0; x < set.cellPitch; ++x) {
      double lit = 0, unlit = 0;
      for (const TSegment& s : glyph) {
        double& level = s.lit ? lit : unlit;
        level = std::max(level, Coverage(s.shape, x, y));
      }
      const int green = LitGreen(lit) ? LitGreen(lit) : UnlitGreen(unlit);
      strip.setPixel(cell * set.cellPitch + x, y, qRgb(0, green, 0));
    }
}
}  // namespace

QImage PaintLcdStrip(int charSet) {
  const TLcdCharSet& set = kLcdCharSets[charSet];
  QImage strip(set.cells * set.cellPitch, set.height, QImage::Format_RGB32);
  strip.fill(art::kBlack);
  for (int cell = 0; cell < int(set.order.size()); ++cell) PaintGlyph(strip, charSet, cell, set.order[cell]);
  return strip;
}
