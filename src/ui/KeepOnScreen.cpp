#include "ui/KeepOnScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <limits>

namespace {
int Kept(int size) { return std::min(kMinVisiblePixels, size); }

bool ShowsEnough(const QRect& frame, const QRect& screen) {
  const QRect seen = frame & screen;
  return seen.width() >= Kept(frame.width()) && seen.height() >= Kept(frame.height());
}

// The nearest top-left at which `frame` shows enough on `screen`.
QPoint MovedInto(const QRect& frame, const QRect& screen) {
  const int x = std::clamp(frame.x(), screen.left() - frame.width() + Kept(frame.width()),
                           screen.right() + 1 - Kept(frame.width()));
  const int y = std::clamp(frame.y(), screen.top() - frame.height() + Kept(frame.height()),
                           screen.bottom() + 1 - Kept(frame.height()));
  return {x, y};
}
}  // namespace

QPoint KeepOnScreen(const QRect& frame) {
  QPoint nearest = frame.topLeft();
  int64_t nearestDistance = std::numeric_limits<int64_t>::max();
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    if (ShowsEnough(frame, area)) return frame.topLeft();
    const QPoint moved = MovedInto(frame, area);
    const int64_t distance = int64_t(std::abs(moved.x() - frame.x())) + std::abs(moved.y() - frame.y());
    if (distance < nearestDistance) nearest = moved, nearestDistance = distance;
  }
  return nearest;
}
