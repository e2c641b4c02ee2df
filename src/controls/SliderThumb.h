// The slider's thumb: a child widget showing one of two state images, with
// the slider's colour wherever the image has the transparent colour.
#pragma once
#include <QColor>
#include <QImage>
#include <QWidget>

#include "ControlEvents.h"

class TSliderThumb : public QWidget {
 public:
  // Olive marks the transparent pixels of the default images and of the ruler.
  static inline const QColor kOlive{128, 128, 0};

  explicit TSliderThumb(QWidget* parent);

  const QImage& Bitmap() const { return bitmap_; }
  // Copies bitmap and resizes the thumb to one state of it.
  void SetBitmap(const QImage& bitmap);
  QColor TransparentColor() const { return transparent_; }
  void SetTransparentColor(QColor c);
  bool Down() const { return down_; }
  // Shows the pressed state (the right half of a two-state bitmap).
  void SetDown(bool down);
  int NumStates() const { return numStates_; }
  void SetNumStates(int n);

  // The slider installs these; x and y are thumb coordinates.
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void AdjustBounds();

  QImage bitmap_;
  QColor transparent_ = kOlive;
  bool down_ = false;
  int numStates_ = 2;
};
