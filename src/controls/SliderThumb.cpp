#include "SliderThumb.h"

#include <QMouseEvent>
#include <QPainter>

#include "ArtResources.h"
#include "ColorKeyed.h"
#include "CursorTable.h"

namespace {
// Every thumb of the process shares the hand cursor, registered once.
QCursor HandCursor() {
  static const bool registered = (RegisterCursor(kSliderHandCursor, LoadCursor("SLIDER_HAND")), true);
  (void)registered;
  return CursorByNumber(kSliderHandCursor);
}
}  // namespace

TSliderThumb::TSliderThumb(QWidget* parent) : QWidget(parent) {
  // Erased with the slider's colour, which shows through the transparent pixels.
  setAutoFillBackground(true);
  setCursor(HandCursor());
}

void TSliderThumb::SetBitmap(const QImage& bitmap) {
  bitmap_ = bitmap;
  AdjustBounds();
}

void TSliderThumb::SetTransparentColor(QColor c) {
  if (c == transparent_) return;
  transparent_ = c;
  update();
}

void TSliderThumb::SetDown(bool down) {
  if (down == down_) return;
  down_ = down;
  update();
}

void TSliderThumb::SetNumStates(int n) {
  if (n == numStates_) return;
  numStates_ = n;
  AdjustBounds();
}

void TSliderThumb::AdjustBounds() {
  if (!bitmap_.isNull()) resize(bitmap_.width() / numStates_, bitmap_.height());
}

void TSliderThumb::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  const int stateWidth = numStates_ > 1 ? bitmap_.width() / 2 : bitmap_.width();
  const int left = numStates_ > 1 && down_ ? stateWidth : 0;
  DrawColorKeyed(canvas, 0, 0, bitmap_, QRect(left, 0, stateWidth, bitmap_.height()), transparent_);
}

void TSliderThumb::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (OnMouseDown) OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
}

void TSliderThumb::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (OnMouseMove) OnMouseMove(this, event->buttons(), event->modifiers(), at.x(), at.y());
}

void TSliderThumb::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (OnMouseUp) OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
}
