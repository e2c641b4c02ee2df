// Event handler types the controls offer to the window code.
#pragma once
#include <QObject>
#include <functional>

// Something happened to sender.
using TNotifyEvent = std::function<void(QObject* sender)>;
// A button went down or up at (x, y) in sender's coordinates.
using TMouseEvent =
    std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;
// The mouse moved to (x, y) with these buttons held.
using TMouseMoveEvent =
    std::function<void(QObject* sender, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y)>;
