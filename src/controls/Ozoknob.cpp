#include "Ozoknob.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ArtResources.h"
#include "CursorTable.h"

TOzoKnob::TOzoKnob(QWidget* parent) : QWidget(parent) {
  strip_ = LoadBitmap("OZOKNOB_DEFAULT");
  pictureHeight_ = pictureWidth_ = strip_.height();
  pictures_ = std::max(1, pictureHeight_ > 0 ? strip_.width() / pictureHeight_ : 1);
  hitRect_ = QRect(0, 0, pictureWidth_, pictureHeight_);
  RegisterCursor(kKnobCursor, LoadCursor("OZOKNOB_CURSOR"));
  setCursor(CursorByNumber(kKnobCursor));
  resize(pictureWidth_, pictureHeight_);
  Recalc();
  picture_ = PictureOf(value_);
}

void TOzoKnob::Recalc() {
  const double span = double(maxValue_) - minValue_ + 1;
  valuePerPicture_ = float(span / pictures_);
  valuePerPixel_ = float(span / moveRange_);
}

int TOzoKnob::Clamp(int n) const { return std::clamp(n, minValue_, maxValue_); }

int TOzoKnob::PictureOf(int value) const {
  // The float ratio could round the top value one past the last picture.
  return std::min(pictures_ - 1, int((double(value) - minValue_) / valuePerPicture_));
}

void TOzoKnob::SetValue(int n) {
  value_ = Clamp(n);
  const int picture = PictureOf(value_);
  if (isEnabled() && OnChange) OnChange(this);
  if (picture == picture_) return;
  picture_ = picture;
  repaint();  // does nothing while hidden
}

void TOzoKnob::SetMinValue(int n) {
  if (n >= maxValue_) n = maxValue_ - 1;
  if (n == minValue_) return;
  minValue_ = n;
  PullIntoRange();
}

void TOzoKnob::SetMaxValue(int n) {
  if (n <= minValue_) n = minValue_ + 1;
  if (n == maxValue_) return;
  maxValue_ = n;
  PullIntoRange();
}

void TOzoKnob::PullIntoRange() {
  Recalc();
  SetValue(value_);
  SetDefaultValue(defaultValue_);
  SetCtrlValue(0, ctrlValues_[0]);
  SetCtrlValue(1, ctrlValues_[1]);
}

void TOzoKnob::SetMoveRange(int n) {
  if (n < 2 || n == moveRange_) return;
  moveRange_ = n;
  Recalc();
}

void TOzoKnob::SetDefaultValue(int n) { defaultValue_ = Clamp(n); }

void TOzoKnob::SetCtrlValue(int index, int n) {
  if (index == 0 || index == 1) ctrlValues_[index] = Clamp(n);
}

void TOzoKnob::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  canvas.drawImage(hitRect_.topLeft(), strip_, QRect(picture_ * pictureWidth_, 0, pictureWidth_, pictureHeight_));
}

void TOzoKnob::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint at) {
  if (!hitRect_.contains(at)) return;
  if (CtrlEnabled && (shift & Qt::ControlModifier)) {
    if (button == Qt::LeftButton) SetValue(ctrlValues_[0]);
    if (button == Qt::RightButton) SetValue(ctrlValues_[1]);
    ctrlPress_ = true;
    return;
  }
  dragging_ = true;
  dragStartY_ = at.y();
  dragStartValue_ = value_;
}

void TOzoKnob::mousePressEvent(QMouseEvent* event) {
  MouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TOzoKnob::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const double moved = dragStartValue_ + (dragStartY_ - event->position().toPoint().y()) * double(valuePerPixel_);
  // Clamped before the conversion, so a far drag cannot overflow.
  SetValue(int(std::trunc(std::clamp(moved, double(minValue_), double(maxValue_)))));
}

void TOzoKnob::mouseReleaseEvent(QMouseEvent*) {
  dragging_ = false;
  if (!ctrlPress_) return;
  ctrlPress_ = false;
  SetValue(defaultValue_);
}

// The second press of a left double-click restores the default and then acts
// as an ordinary press, so a drag can start from the default; other buttons'
// double-clicks are ordinary presses.
void TOzoKnob::mouseDoubleClickEvent(QMouseEvent* event) {
  if (DefaultEnabled && event->button() == Qt::LeftButton) SetValue(defaultValue_);
  mousePressEvent(event);
}
