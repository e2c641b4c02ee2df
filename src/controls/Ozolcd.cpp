#include "Ozolcd.h"

#include <QPainter>

#include "ArtResources.h"
#include "LcdCharSets.h"

namespace {
// Set by the first display to finish loading and shared by all of them:
// until the window is built, nothing is worth painting synchronously.
bool gLoadingFinished = false;
}  // namespace

// The display paints every pixel itself: Qt then neither erases it first nor
// paints what lies beneath on each of its many repaints.
TOzoLCD::TOzoLCD(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

bool TOzoLCD::LoadingFinished() { return gLoadingFinished; }

void TOzoLCD::Loaded() {
  gLoadingFinished = true;
  SetCharset(charSet_);
}

void TOzoLCD::SetCharset(int index) {
  if (index < 0 || index >= int(kLcdCharSets.size())) index = 0;
  const TLcdCharSet& set = kLcdCharSets[index];
  glyphs_ = LoadBitmap(set.resource);
  const int blank = int(set.order.find(' '));
  for (int code = 0; code < int(glyphIndex_.size()); ++code) {
    const size_t position = set.order.find(char(code));
    glyphIndex_[code] = position == std::string_view::npos ? blank : int(position);
  }
  charSet_ = index;
  RepaintIfLoaded();
}

void TOzoLCD::SetCaption(const std::string& text) {
  if (text == caption_) return;
  caption_ = text;
  RepaintIfLoaded();
}

void TOzoLCD::RepaintIfLoaded() {
  if (gLoadingFinished) repaint();
}

void TOzoLCD::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  const QBrush background = palette().window();
  if (glyphs_.isNull()) {
    canvas.fillRect(rect(), background);
    return;
  }
  const TLcdCharSet& set = kLcdCharSets[charSet_];
  int x = 0;
  for (const char c : caption_) {
    if (x >= width()) break;  // the rest would be clipped anyway
    const int k = glyphIndex_[static_cast<unsigned char>(c)];
    const int w = set.widths[k];
    canvas.drawImage(QPoint(x, 0), glyphs_, QRect(k * set.cellPitch, 0, w, set.height));
    x += w;
  }
  canvas.fillRect(x, 0, width() - x, height(), background);
  canvas.fillRect(0, set.height, x, height() - set.height, background);
}
