// The slider's layout: the stretched ruler, where the thumb and the tick
// marks go, and the mapping between values and thumb positions.
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Slider.h"

namespace {
// Copies count pixels along the axis from source at from to target at to, across the full cross size.
void CopyAlong(QPainter& target, const QImage& source, bool horizontal, int from, int count, int to) {
  if (horizontal)
    target.drawImage(QPoint(to, 0), source, QRect(from, 0, count, source.height()));
  else
    target.drawImage(QPoint(0, to), source, QRect(0, from, source.width(), count));
}

// Rounds to the nearest integer, halves to the even neighbour.
int64_t RoundHalfEven(double x) { return int64_t(std::nearbyint(x)); }
}  // namespace

// Stretches the ruler image to the control's length, less a margin at each
// end, by repeating its middle part between its two end caps.
void TSlider::BuildRuler() {
  const QImage& image = images_[RulerImage()];
  const bool horizontal = Horizontal();
  const int target = std::max(0, (horizontal ? width() : height()) - 2 * kMargin);
  const int length = horizontal ? image.width() : image.height();
  const int edge = edgeSize_, middle = length - 2 * edge;
  ruler_ = QImage();
  if (target == 0 || image.isNull()) return;
  ruler_ = horizontal ? QImage(target, image.height(), QImage::Format_ARGB32)
                      : QImage(image.width(), target, QImage::Format_ARGB32);
  QPainter painter(&ruler_);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  if (middle <= 0) {  // an image with no middle part can only be scaled
    painter.drawImage(ruler_.rect(), image);
    return;
  }
  const int inner = target - 2 * edge, pieces = inner / middle + 1, rest = inner % middle;
  CopyAlong(painter, image, horizontal, 0, length - edge, 0);
  for (int i = 1; i < pieces - 1; ++i) CopyAlong(painter, image, horizontal, edge, middle, edge + i * middle);
  if (pieces > 1)
    CopyAlong(painter, image, horizontal, edge + middle - rest, edge + rest, edge + (pieces - 1) * middle);
}

void TSlider::AdjustElements() {
  const int value = value_;
  BuildRuler();
  const QSize rulerSize = ruler_.size(), thumbSize = thumb_->size();
  if (Horizontal()) {
    const int rh = rulerSize.height(), th = thumbSize.height();
    const int thumbY = kMargin + std::max(0, (rh - th) / 2), rulerY = kMargin + std::max(0, (th - rh) / 2);
    thumb_->move(kMargin, thumbY);
    rulerPos_ = QPoint(kMargin, rulerY);
    const int pointsTop = kMargin + std::max(rh, th) + 1;
    pointsRect_ = QRect(kMargin, pointsTop, rulerSize.width(), height() - 1 - pointsTop);
  } else {
    const int rw = rulerSize.width(), tw = thumbSize.width();
    const int thumbX = kMargin + std::max(0, (rw - tw) / 2), rulerX = kMargin + std::max(0, (tw - rw) / 2);
    thumb_->move(thumbX, kMargin);
    rulerPos_ = QPoint(rulerX, kMargin);
    const int pointsLeft = kMargin + std::max(rw, tw) + 1;
    pointsRect_ = QRect(pointsLeft, kMargin, width() - 1 - pointsLeft, rulerSize.height());
  }
  SetValue(value);
}

void TSlider::ImageChanged() {
  AdjustElements();
  update();
}

void TSlider::resizeEvent(QResizeEvent*) {
  if (!creating_) ImageChanged();
}

int TSlider::GetRulerLength() const {
  return Horizontal() ? ruler_.width() - thumb_->width() : ruler_.height() - thumb_->height();
}

int TSlider::GetOffsetByValue(int value) const {
  const int64_t span = int64_t(maxValue_) - minValue_;
  const int64_t p = RoundHalfEven(double(GetRulerLength() * (int64_t(value) - minValue_)) / double(span)) + kMargin;
  return int(Horizontal() ? p : height() - p - thumb_->height());
}

int TSlider::GetValueByOffset(int offset) const {
  const int ruler = GetRulerLength();
  if (ruler <= 0) return minValue_;  // no travel: every position is the minimum
  if (!Horizontal()) offset = height() - offset - thumb_->height();
  int64_t q = RoundHalfEven(double((int64_t(offset) - kMargin) * (int64_t(maxValue_) - minValue_)) / ruler);
  if (!options_.Contains(soSmooth)) q = q / increment_ * increment_;
  return int(std::clamp<int64_t>(minValue_ + q, INT32_MIN, INT32_MAX));
}

int TSlider::GetThumbOffset() const { return Horizontal() ? thumb_->x() : thumb_->y(); }

void TSlider::SetThumbOffset(int offset) {
  const int old = value_;
  offset = std::clamp(offset, kMargin, std::max(kMargin, GetRulerLength() + kMargin));
  if (!options_.Contains(soSmooth)) offset = GetOffsetByValue(GetValueByOffset(offset));
  if (Horizontal())
    thumb_->move(offset, thumb_->y());
  else
    thumb_->move(thumb_->x(), offset);
  if (!dragging_) return;
  value_ = GetValueByOffset(offset);
  if (value_ != old) Change();
}
