// The activation hot key of a window: a function key pressed anywhere on
// the desktop brings the window to the front with the keyboard focus.
// On X11 a passive grab on the root window, on a connection of our own.
#pragma once
#include <cstdint>

#include "platform/keyboard/DirectInput.h"
#include "platform/keyboard/X11Connection.h"

constexpr uint16_t VK_F1 = 0x70;
constexpr uint16_t VK_F12 = 0x7B;

// The answers of the system's set-hot-key request.
constexpr int kHotKeySet = 1;       // also for 0, which removes the key
constexpr int kHotKeyNoWindow = 0;  // no window, or no display to grab on
constexpr int kHotKeyInvalid = -1;  // not F1..F12, or a modifier was asked for
constexpr int kHotKeyTaken = 2;     // another client holds the key: nothing is set

class DesktopHotKey {
 public:
  ~DesktopHotKey() { Remove(); }

  // `hotKey`: virtual-key code in the low byte, modifiers (none supported)
  // in the high byte; 0 removes the key. Replaces the previous key.
  int SetHotKey(HWND window, uint16_t hotKey);

  // The connection to watch: when it is readable, call Dispatch. -1 when
  // no key is set or the connection broke.
  int EventFd() const;
  // Handles every event received so far; the hot key activates the window.
  void Dispatch();

 private:
  void Remove();
  void Activate(unsigned long time);
  bool WindowManagerActivates();

  X11Connection connection_;
  HWND window_ = 0;
  unsigned keycode_ = 0;
  unsigned numLockMask_ = 0;
};
