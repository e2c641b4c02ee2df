// Helpers for widget tests: an application on Qt's offscreen platform, a
// shown host window, paint counting and synthetic mouse input.
#pragma once
#include <gtest/gtest.h>
#include <QEvent>
#include <QImage>
#include <QRegion>
#include <QWidget>

#include <memory>

// Creates the process's QApplication on the offscreen platform, once.
void EnsureApplication();

// Counts the paint events a widget receives and the area they cover.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget);
  int Count() const { return count_; }
  const QRegion& Painted() const { return painted_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int count_ = 0;
  QRegion painted_;
};

// The widget as it appears on screen, in 32-bit RGB.
QImage Grab(QWidget* widget);

// Sends a mouse event straight to widget, as the window system would deliver it.
void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers shift = Qt::NoModifier);
void Press(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers shift = Qt::NoModifier);
void Release(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton);
// A move with button held (Qt::NoButton for none).
void MoveTo(QWidget* widget, QPoint at, Qt::MouseButton held = Qt::LeftButton);

// A test with a shown, black host window for the controls under test.
class WidgetTest : public ::testing::Test {
 protected:
  void SetUp() override;
  QWidget& Host() { return *host_; }

 private:
  std::unique_ptr<QWidget> host_;
};
