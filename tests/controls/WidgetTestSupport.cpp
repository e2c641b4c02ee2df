#include "WidgetTestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTest>

void EnsureApplication() {
  if (QApplication::instance()) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "controls_tests";
  static char* argv[] = {name, nullptr};
  // Lives as long as the process, as the controls' shared state does; never
  // destroyed among the static objects, whose order is not ours.
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
}

PaintCounter::PaintCounter(QWidget* widget) { widget->installEventFilter(this); }

bool PaintCounter::eventFilter(QObject*, QEvent* event) {
  if (event->type() != QEvent::Paint) return false;
  ++count_;
  painted_ += static_cast<QPaintEvent*>(event)->region();
  return false;
}

QImage Grab(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers shift) {
  QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held, shift);
  QApplication::sendEvent(widget, &event);
}

void Press(QWidget* widget, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers shift) {
  SendMouse(widget, QEvent::MouseButtonPress, at, button, button, shift);
}

void Release(QWidget* widget, QPoint at, Qt::MouseButton button) {
  SendMouse(widget, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

void MoveTo(QWidget* widget, QPoint at, Qt::MouseButton held) {
  SendMouse(widget, QEvent::MouseMove, at, Qt::NoButton, held);
}

void WidgetTest::SetUp() {
  EnsureApplication();
  host_ = std::make_unique<QWidget>();
  QPalette palette = host_->palette();
  palette.setColor(QPalette::Window, Qt::black);
  host_->setPalette(palette);
  host_->resize(400, 300);
  host_->show();
  // Until the window is exposed, synchronous paints do nothing.
  ASSERT_TRUE(QTest::qWaitForWindowExposed(host_.get()));
}
