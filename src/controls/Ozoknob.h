// A rotary knob drawn from a strip of square pictures. Dragging up turns it
// up; a double-click restores the default; Ctrl + a button holds a preset
// value for as long as the button is down.
#pragma once
#include <QImage>
#include <QWidget>

#include "ControlEvents.h"

class TOzoKnob : public QWidget {
 public:
  explicit TOzoKnob(QWidget* parent = nullptr);

  int MinValue() const { return minValue_; }
  int MaxValue() const { return maxValue_; }
  int Value() const { return value_; }
  int MoveRange() const { return moveRange_; }
  int DefaultValue() const { return defaultValue_; }
  int CtrlLeftValue() const { return ctrlValues_[0]; }
  int CtrlRightValue() const { return ctrlValues_[1]; }
  int Picture() const { return picture_; }

  // The range setters keep MinValue below MaxValue and pull the value, the
  // default and both presets into the new range (which fires OnChange).
  void SetMinValue(int n);
  void SetMaxValue(int n);
  // Clamps to the range; fires OnChange on every call while enabled, even for
  // an equal value; repaints at once only when the picture changes.
  void SetValue(int n);
  // Pixels of vertical travel over the whole range; below 2 is ignored.
  void SetMoveRange(int n);
  void SetDefaultValue(int n);
  // index 0 sets CtrlLeftValue, 1 CtrlRightValue; clamped to the range.
  void SetCtrlValue(int index, int n);
  void Recalc();

  bool DefaultEnabled = true;  // double-click restores DefaultValue
  bool CtrlEnabled = true;     // Ctrl + press sets a preset
  TNotifyEvent OnChange;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint at);
  void PullIntoRange();
  int Clamp(int n) const;
  int PictureOf(int value) const;

  QImage strip_;
  int pictures_ = 1, pictureWidth_ = 0, pictureHeight_ = 0;
  int picture_ = 0;
  float valuePerPicture_ = 1, valuePerPixel_ = 1;
  QRect hitRect_;
  bool dragging_ = false, ctrlPress_ = false;
  int dragStartY_ = 0, dragStartValue_ = 0;
  int minValue_ = -10, maxValue_ = 10, value_ = 0, moveRange_ = 50, defaultValue_ = 0;
  int ctrlValues_[2] = {-6, 6};
};
