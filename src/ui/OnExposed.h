// Runs a function each time a window comes on the screen (mapped, restored
// from minimized, its desktop shown), or only the first time.
#pragma once
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <utility>

class TOnExposed : public QObject {
 public:
  // Lives as long as `window`. The function runs after the paint that
  // follows, so the window is seen before it runs.
  TOnExposed(QWindow* window, std::function<void()> run, bool once)
      : QObject(window), run_(std::move(run)), once_(once) {
    window->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    const bool exposed = static_cast<QWindow*>(watched)->isExposed();
    if (event->type() == QEvent::Expose && run_ && exposed && !wasExposed_)
      QTimer::singleShot(0, watched, once_ ? std::exchange(run_, nullptr) : run_);
    if (event->type() == QEvent::Expose) wasExposed_ = exposed;
    return false;
  }

 private:
  std::function<void()> run_;
  bool once_;
  bool wasExposed_ = false;  // expose events also come for parts redrawn
};
