// The About box's logo, and the program's icon at the sizes
// desktop themes ask for. Painted without fonts, like the rest of the artwork.
#include <QPainter>
#include <QPainterPath>
#include <string_view>
#include <vector>

#include "Artwork.h"
#include "Palette.h"

namespace {
// The letters of the logo, five rows of three (W: five) cells each.
std::vector<std::string_view> LogoLetter(char c) {
  switch (c) {
    case 'V':
      return {"101", "101", "101", "101", "010"};
    case 'Y':
      return {"101", "101", "010", "010", "010"};
    case 'S':
      return {"111", "100", "111", "001", "111"};
    case 'P':
      return {"110", "101", "110", "100", "100"};
    case 'R':
      return {"110", "101", "110", "101", "101"};
    case 'O':
      return {"111", "101", "101", "101", "111"};
    default:
      return {"000", "000", "000", "000", "000"};
  }
}

// Writes text in cells of `cell` pixels, one blank cell between letters; returns the width used.
int WriteBlocks(QImage& image, int x, int y, std::string_view text, int cell, QRgb ink) {
  const int start = x;
  for (char c : text) {
    const auto rows = LogoLetter(c);
    for (int r = 0; r < 5; ++r)
      for (int k = 0; k < 3; ++k)
        if (rows[r][k] == '1')
          for (int dy = 0; dy < cell; ++dy)
            for (int dx = 0; dx < cell; ++dx) image.setPixel(x + k * cell + dx, y + r * cell + dy, ink);
    x += 4 * cell;
  }
  return x - start - cell;
}

// A platter seen from above: black disc, grooves, the green label and a spindle.
void Platter(QPainter& p, QPoint centre, int radius) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(art::kBlack));
  p.drawEllipse(centre, radius, radius);
  p.setBrush(Qt::NoBrush);
  p.setPen(QColor(art::kGrey));
  for (int groove = radius - 4; groove > radius / 3 + 2; groove -= 5) p.drawEllipse(centre, groove, groove);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(art::kDarkGreen));
  p.drawEllipse(centre, radius / 3, radius / 3);
  p.setBrush(QColor(art::kSilver));
  p.drawEllipse(centre, 2, 2);
}
}  // namespace

// The logo: a deck's face with a platter, a pitch fader and the name in lamp green.
QImage PaintAboutLogo() {
  QImage logo(170, 115, QImage::Format_RGB32);
  logo.fill(art::kSilver);
  QPainter p(&logo);
  p.setPen(QColor(art::kWhite));
  p.drawLine(0, 0, 169, 0);
  p.drawLine(0, 0, 0, 114);
  p.setPen(QColor(art::kGrey));
  p.drawLine(1, 114, 169, 114);
  p.drawLine(169, 1, 169, 114);
  // The display panel with the name.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(art::kBlack));
  p.drawRect(6, 6, 158, 34);
  Platter(p, QPoint(60, 76), 32);
  // The pitch fader: a slot and its cap.
  p.setBrush(QColor(art::kBlack));
  p.drawRect(120, 48, 5, 60);
  p.setBrush(QColor(art::kGrey));
  p.drawRect(112, 70, 21, 8);
  p.setPen(QColor(art::kBlack));
  p.drawLine(113, 74, 131, 74);
  // The Play lamp beside the fader.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(art::kGreen));
  p.drawPolygon(QPolygon({QPoint(145, 64), QPoint(157, 74), QPoint(145, 84)}));
  p.end();
  // "VY" large and "PRO" small, side by side, centred in the panel.
  const int vy = 2 * 4 * 4 - 4, pro = 3 * 4 * 2 - 2;
  const int left = 6 + (158 - (vy + 8 + pro)) / 2;
  WriteBlocks(logo, left, 11, "VY", 4, art::kGreen);
  WriteBlocks(logo, left + vy + 8, 21, "PRO", 2, art::kGreen);
  return logo;
}

// The icon for the desktop's menus: the 32-pixel icon, each pixel a square.
// Each icon pixel becomes a square block: the pixel art stays sharp. Done by
// hand because Qt scales large images on pool threads, which the thread
// checker cannot see into when the generator runs in a checked build.
QImage PaintIconAt(int side) {
  const QImage icon = PaintProgramIcon().convertToFormat(QImage::Format_ARGB32);
  QImage scaled(side, side, QImage::Format_ARGB32);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) scaled.setPixel(x, y, icon.pixel(x * icon.width() / side, y * icon.height() / side));
  return scaled;
}
