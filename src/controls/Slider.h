// A slider drawn from bitmaps: a ruler stretched along the control, a thumb
// child widget and optional tick marks. Horizontal sliders have their minimum
// at the left, vertical ones at the bottom.
#pragma once
#include <QImage>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>
#include <array>
#include <functional>

#include "ControlEvents.h"
#include "SliderThumb.h"
#include "SliderTypes.h"

class QPainter;
class TSlider;

// Replaces the default tick marks; draws on canvas during the slider's paint.
using TDrawPointsEvent = std::function<void(TSlider* sender, QPainter& canvas)>;

class TSlider : public QWidget {
 public:
  // Gap between the control's edge and the ruler or thumb at the start of the axis.
  static constexpr int kMargin = 6;
  static constexpr int kPagingIntervalMs = 400;

  explicit TSlider(QWidget* parent = nullptr);

  // With a bitmap the image is the user's; without one the default returns.
  void SetImage(TSliderImage index, const QImage* bitmap);
  const QImage& GetImage(TSliderImage index) const { return images_[index]; }
  // Whether the image is the user's and so belongs in the stored form.
  bool StoreImage(TSliderImage index) const { return userImages_.Contains(index); }
  TSliderImages UserImages() const { return userImages_; }

  int EdgeSize() const { return edgeSize_; }
  // Ignored unless both end caps fit in the ruler image with room between.
  void SetEdgeSize(int n);
  int GetNumThumbStates() const { return thumb_->NumStates(); }
  void SetNumThumbStates(int n);
  TSliderOrientation Orientation() const { return orientation_; }
  void SetOrientation(TSliderOrientation o);
  TSliderOptions Options() const { return options_; }
  void SetOptions(TSliderOptions options);

  int MinValue() const { return minValue_; }
  int MaxValue() const { return maxValue_; }
  int Increment() const { return increment_; }
  int Value() const { return value_; }
  // The range setters ignore a value that leaves less than one increment
  // between the ends; they move neither the thumb nor Value.
  void SetMinValue(int n);
  void SetMaxValue(int n);
  void SetIncrement(int n);
  // Clamps to the range and places the thumb; fires no OnChange.
  void SetValue(int n);

  // Mapping between values and the thumb's left (horizontal) or top (vertical) edge.
  int GetValueByOffset(int offset) const;
  int GetOffsetByValue(int value) const;
  int GetThumbOffset() const;
  // Moves the thumb, snapping unless soSmooth; while dragging, Value follows.
  void SetThumbOffset(int offset);
  // The thumb's travel in pixels.
  int GetRulerLength() const;

  // Moves by one jump and fires OnChange even when the value stays.
  void ThumbJump(TJumpMode mode);
  // The jump a press at (x, y) beside the thumb means.
  TJumpMode JumpTo(int x, int y) const;

  // Tick marks every step values, thinned until 3 pixels separate them.
  void DefaultDrawPoints(QPainter& canvas, int step, int height, int extremeHeight);
  // Press-and-hold paging: one jump now, then one per timer tick.
  void TimerTrack();
  void StopTracking();

  // Stored form: the properties as a property map, and back. Loading applies
  // them in stored order, then runs Loaded.
  QVariantMap SaveProperties(const TSlider* ancestor = nullptr) const;
  void LoadProperties(const QVariantMap& properties);
  // Reapplies the user's images once their properties are read.
  void Loaded();

  TSliderThumb* Thumb() const { return thumb_; }
  const QImage& Ruler() const { return ruler_; }
  QPoint RulerPos() const { return rulerPos_; }
  QRect PointsRect() const { return pointsRect_; }

  TNotifyEvent OnChange;        // the user changed the value
  TNotifyEvent OnStopTracking;  // the thumb was released
  TDrawPointsEvent OnDrawPoints;
  // Draws over the ruler, under the tick marks (a picture along the track).
  TDrawPointsEvent OnDrawRuler;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;

 protected:
  virtual void Change();
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool Horizontal() const { return orientation_ == soHorizontal; }
  TSliderImage ThumbImage() const { return Horizontal() ? siHThumb : siVThumb; }
  TSliderImage RulerImage() const { return Horizontal() ? siHRuler : siVRuler; }
  void CreateElements();
  void BuildRuler();
  void AdjustElements();
  void ImageChanged();
  void UpdatePoints();
  void ThumbMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  void ThumbMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
  void ThumbMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

  TSliderImages userImages_;
  std::array<QImage, 4> images_;
  int edgeSize_ = 2;
  QImage ruler_;
  QPoint rulerPos_;
  TSliderThumb* thumb_ = nullptr;
  QRect pointsRect_;
  TSliderOrientation orientation_ = soHorizontal;
  TSliderOptions options_{soShowFocus, soShowPoints, soSmooth};
  int minValue_ = 0, maxValue_ = 100, increment_ = 10, value_ = 0;
  int grabOffset_ = 0;
  bool creating_ = true;
  bool dragging_ = false, tracking_ = false;
  QPoint trackPos_;
  TJumpMode pressMode_ = jmNone;
  QTimer pagingTimer_;
};
