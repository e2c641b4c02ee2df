#include "Slider.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>

#include "ArtResources.h"
#include "ColorKeyed.h"

namespace {
const char* const kDefaultImages[] = {"W95_HTB", "W95_HRL", "W95_VTB", "W95_VRL"};
constexpr QSize kDefaultSize{140, 40};
// Tick-mark lengths: ordinary and at either end.
constexpr int kPointsHeight = 3;
constexpr int kExtremePointsHeight = 4;
// Neighbouring tick marks are thinned until this many free pixels part them.
constexpr int kMinPointsGap = 3;
}  // namespace

TSlider::TSlider(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);  // the framework erases with the control's colour
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);  // OnMouseMove also without a button held
  resize(kDefaultSize);
  CreateElements();
  creating_ = false;
}

void TSlider::CreateElements() {
  thumb_ = new TSliderThumb(this);
  thumb_->OnMouseDown = [this](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
    ThumbMouseDown(b, s, x, y);
  };
  thumb_->OnMouseMove = [this](QObject*, Qt::MouseButtons b, Qt::KeyboardModifiers s, int x, int y) {
    ThumbMouseMove(b, s, x, y);
  };
  thumb_->OnMouseUp = [this](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
    ThumbMouseUp(b, s, x, y);
  };
  pagingTimer_.setParent(this);
  pagingTimer_.setObjectName("pagingTimer");
  pagingTimer_.setInterval(kPagingIntervalMs);
  pagingTimer_.setTimerType(Qt::PreciseTimer);  // a coarse timer may page early
  QObject::connect(&pagingTimer_, &QTimer::timeout, this, [this] { TimerTrack(); });
  for (const TSliderImage index : kSliderImages) SetImage(index, nullptr);
  AdjustElements();
}

void TSlider::SetImage(TSliderImage index, const QImage* bitmap) {
  if (bitmap) {
    images_[index] = *bitmap;
    userImages_.Include(index);
  } else {
    images_[index] = LoadBitmap(kDefaultImages[index]);
    userImages_.Exclude(index);
  }
  if (index == ThumbImage()) thumb_->SetBitmap(images_[index]);
  if (!creating_) ImageChanged();
}

void TSlider::SetEdgeSize(int n) {
  const QImage& ruler = images_[RulerImage()];
  const int length = Horizontal() ? ruler.width() : ruler.height();
  if (2 * int64_t(n) >= length || n == edgeSize_) return;
  edgeSize_ = n;
  ImageChanged();
}

void TSlider::SetNumThumbStates(int n) {
  if (n < 1 || n > 2) return;
  thumb_->SetNumStates(n);
  // The thumb's width drives the layout.
  ImageChanged();
}

void TSlider::SetOrientation(TSliderOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  thumb_->SetBitmap(images_[ThumbImage()]);
  ImageChanged();
}

void TSlider::SetOptions(TSliderOptions options) {
  if (options == options_) return;
  options_ = options;
  update();
}

void TSlider::UpdatePoints() {
  if (options_.Contains(soShowPoints)) update();
}

void TSlider::SetMinValue(int n) {
  if (n == minValue_ || int64_t(n) > int64_t(maxValue_) - increment_) return;
  minValue_ = n;
  UpdatePoints();
}

void TSlider::SetMaxValue(int n) {
  if (n == maxValue_ || int64_t(n) < int64_t(minValue_) + increment_) return;
  maxValue_ = n;
  UpdatePoints();
}

void TSlider::SetIncrement(int n) {
  if (n <= 0 || n == increment_) return;
  increment_ = n;
  SetValue(value_);
  update();
}

void TSlider::SetValue(int n) {
  value_ = std::clamp(n, minValue_, maxValue_);
  SetThumbOffset(GetOffsetByValue(value_));
}

void TSlider::Change() {
  if (OnChange) OnChange(this);
}

void TSlider::ThumbJump(TJumpMode mode) {
  // Paging steps to whole increments counted from 0.
  const int64_t steps = value_ / increment_;
  switch (mode) {
    case jmNone:
      return;
    case jmHome:
      SetValue(minValue_);
      break;
    case jmEnd:
      SetValue(maxValue_);
      break;
    case jmNext:
      SetValue(int(std::clamp<int64_t>(increment_ * (steps + 1), minValue_, maxValue_)));
      break;
    case jmPrior:
      SetValue(int(std::clamp<int64_t>(increment_ * (steps - 1), minValue_, maxValue_)));
      break;
  }
  Change();
}

void TSlider::paintEvent(QPaintEvent*) {
  QPainter canvas(this);
  if (ruler_.width() > 0)
    DrawColorKeyed(canvas, rulerPos_.x(), rulerPos_.y(), ruler_, ruler_.rect(), TSliderThumb::kOlive);
  if (OnDrawRuler) OnDrawRuler(this, canvas);
  if (options_.Contains(soShowFocus) && hasFocus()) {
    canvas.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    canvas.drawRect(rect().adjusted(2, 2, -3, -3));
  }
  canvas.setPen(Qt::black);
  if (!options_.Contains(soShowPoints)) return;
  if (OnDrawPoints)
    OnDrawPoints(this, canvas);
  else
    DefaultDrawPoints(canvas, increment_, kPointsHeight, kExtremePointsHeight);
}

void TSlider::DefaultDrawPoints(QPainter& canvas, int step, int height, int extremeHeight) {
  if (step <= 0) return;  // a handler's bad step would never end the loops below
  const int64_t ruler = GetRulerLength(), span = int64_t(maxValue_) - minValue_;
  int64_t pointsStep = step;
  for (int64_t k = 1;; ++k) {
    pointsStep = k * step;
    const int64_t count = span / pointsStep + 1;
    const int64_t gap = count > 1 ? (ruler - count) / (count - 1) : ruler;
    if (gap >= kMinPointsGap || gap == ruler) break;
  }
  const QColor colour = canvas.pen().color();
  for (int64_t v = minValue_; v <= maxValue_; v += pointsStep) {
    const int length = v == minValue_ || v == maxValue_ ? extremeHeight : height;
    const int offset = GetOffsetByValue(int(v));
    if (Horizontal())
      canvas.fillRect(offset + thumb_->width() / 2, pointsRect_.top(), 1, length, colour);
    else
      canvas.fillRect(pointsRect_.left(), offset + thumb_->height() / 2, length, 1, colour);
  }
}
