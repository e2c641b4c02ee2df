#include "Ozolcd.h"

#include <QPaintEvent>
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
  glyphs_ = QPixmap::fromImage(LoadBitmap(set.resource));
  const int blank = int(set.order.find(' '));
  for (int code = 0; code < int(glyphIndex_.size()); ++code) {
    const size_t position = set.order.find(char(code));
    glyphIndex_[code] = position == std::string_view::npos ? blank : int(position);
  }
  charSet_ = index;
  RepaintIfLoaded(rect());
}

// The display timer sets the hundredths on every tick, and mostly only
// their last digit changes: the rest is on the screen already.
void TOzoLCD::SetCaption(const std::string& text) {
  if (text == caption_) return;
  const QRect changed = ChangedColumns(caption_, text);
  caption_ = text;
  RepaintIfLoaded(changed);
}

void TOzoLCD::RepaintIfLoaded(const QRect& area) {
  if (gLoadingFinished && !area.isEmpty()) repaint(area);
}

int TOzoLCD::GlyphWidth(char c) const {
  return kLcdCharSets[charSet_].widths[glyphIndex_[static_cast<unsigned char>(c)]];
}

int TOzoLCD::CaptionWidth(std::string_view text) const {
  int width = 0;
  for (const char c : text) width += GlyphWidth(c);
  return width;
}

// Equal leading characters draw the same glyphs at the same places, and so
// do equal trailing ones when what lies between keeps its width; otherwise
// everything after the first change moves, up to the right edge.
QRect TOzoLCD::ChangedColumns(std::string_view before, std::string_view after) const {
  size_t first = 0;
  while (first < before.size() && first < after.size() && before[first] == after[first]) ++first;
  size_t last = 0;  // equal characters at the end, not overlapping the leading ones
  while (last < before.size() - first && last < after.size() - first &&
         before[before.size() - 1 - last] == after[after.size() - 1 - last])
    ++last;
  const std::string_view wasBetween = before.substr(first, before.size() - first - last);
  const std::string_view isBetween = after.substr(first, after.size() - first - last);
  const int left = CaptionWidth(after.substr(0, first));
  const int betweenWidth = CaptionWidth(isBetween);
  const int right = betweenWidth == CaptionWidth(wasBetween) ? left + betweenWidth : width();
  return QRect(left, 0, right - left, height()).intersected(rect());
}

void TOzoLCD::paintEvent(QPaintEvent* event) {
  QPainter canvas(this);
  const QBrush background = palette().window();
  if (glyphs_.isNull()) {
    canvas.fillRect(rect(), background);
    return;
  }
  const TLcdCharSet& set = kLcdCharSets[charSet_];
  const QRect area = event->rect();
  int x = 0;
  for (const char c : caption_) {
    if (x > area.right()) break;  // the rest would be clipped anyway
    const int k = glyphIndex_[static_cast<unsigned char>(c)];
    const int w = set.widths[k];
    if (x + w > area.left()) canvas.drawPixmap(QPoint(x, 0), glyphs_, QRect(k * set.cellPitch, 0, w, set.height));
    x += w;
  }
  canvas.fillRect(x, 0, width() - x, height(), background);
  canvas.fillRect(0, set.height, x, height() - set.height, background);
}
