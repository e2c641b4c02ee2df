// The slider's mouse handling: paging while the groove is held beside the
// thumb, and dragging the thumb.
#include <QMouseEvent>

#include "Slider.h"

TJumpMode TSlider::JumpTo(int x, int y) const {
  const QRect thumb = thumb_->geometry();
  if (Horizontal()) {
    if (x < thumb.left()) return jmPrior;
    if (x > thumb.left() + thumb.width()) return jmNext;
  } else {
    if (y < thumb.top()) return jmNext;
    if (y > thumb.top() + thumb.height()) return jmPrior;
  }
  return jmNone;
}

// Pages only while the pointer stays on the side of the thumb where the
// button went down, so paging stops once the thumb reaches the pointer.
void TSlider::TimerTrack() {
  const TJumpMode mode = JumpTo(trackPos_.x(), trackPos_.y());
  if (mode != pressMode_) return;
  ThumbJump(mode);
  if (!pagingTimer_.isActive()) pagingTimer_.start();
}

void TSlider::StopTracking() {
  if (!tracking_) return;
  pagingTimer_.stop();
  tracking_ = false;
}

void TSlider::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (OnMouseDown) OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  tracking_ = true;
  trackPos_ = at;
  pressMode_ = JumpTo(at.x(), at.y());
  TimerTrack();
}

void TSlider::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (tracking_) trackPos_ = at;
  if (OnMouseMove) OnMouseMove(this, event->buttons(), event->modifiers(), at.x(), at.y());
}

void TSlider::mouseReleaseEvent(QMouseEvent* event) {
  StopTracking();
  const QPoint at = event->position().toPoint();
  if (OnMouseUp) OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
}

// The thumb's mouse events reach the window in the slider's coordinates, as
// a press beside the thumb does.
void TSlider::ThumbMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
  const QPoint at = thumb_->mapTo(this, QPoint(x, y));
  if (OnMouseDown) OnMouseDown(this, button, shift, at.x(), at.y());
  if (button != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  grabOffset_ = Horizontal() ? x : y;
  dragging_ = true;
  thumb_->SetDown(true);
}

void TSlider::ThumbMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y) {
  const QPoint at = thumb_->mapTo(this, QPoint(x, y));
  if (buttons & Qt::LeftButton) SetThumbOffset((Horizontal() ? at.x() : at.y()) - grabOffset_);
  if (OnMouseMove) OnMouseMove(this, buttons, shift, at.x(), at.y());
}

void TSlider::ThumbMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
  dragging_ = false;
  thumb_->SetDown(false);
  if (OnStopTracking) OnStopTracking(this);
  const QPoint at = thumb_->mapTo(this, QPoint(x, y));
  if (OnMouseUp) OnMouseUp(this, button, shift, at.x(), at.y());
}

void TSlider::focusInEvent(QFocusEvent* event) {
  if (options_.Contains(soShowFocus)) update();
  QWidget::focusInEvent(event);
}

void TSlider::focusOutEvent(QFocusEvent* event) {
  if (options_.Contains(soShowFocus)) update();
  QWidget::focusOutEvent(event);
}
