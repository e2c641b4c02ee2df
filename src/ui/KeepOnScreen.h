// A window placed by hand (the command line) stays within reach: a place
// off every screen is moved in until part of the window shows on one.
#pragma once
#include <QPoint>
#include <QRect>

// Enough to see the window and drag it back by its face.
inline constexpr int kMinVisiblePixels = 32;

// Where `frame` goes: its own place when at least kMinVisiblePixels of it
// (both ways) are on some screen, else the nearest place where they are.
// Without any screen, its own place.
QPoint KeepOnScreen(const QRect& frame);
