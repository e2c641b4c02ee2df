#include "platform/keyboard/DesktopHotKey.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>

namespace {
// The modifier bit Num Lock sets in this server's modifier map (0 if none).
unsigned NumLockMask(Display* display) {
  KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
  XModifierKeymap* map = XGetModifierMapping(display);
  unsigned mask = 0;
  for (int modifier = 0; modifier < 8 && numLock; ++modifier)
    for (int i = 0; i < map->max_keypermod; ++i)
      if (map->modifiermap[modifier * map->max_keypermod + i] == numLock) mask = 1u << modifier;
  XFreeModifiermap(map);
  return mask;
}

// A passive grab matches one exact modifier state: the key is grabbed once
// for each state of Caps Lock and Num Lock.
std::array<unsigned, 4> LockStates(unsigned numLockMask) { return {0, LockMask, numLockMask, LockMask | numLockMask}; }

Window ReadWindowProperty(Display* display, Window window, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Window value = 0;
  if (XGetWindowProperty(display, window, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
          Success &&
      type == XA_WINDOW && format == 32 && count == 1)
    value = *reinterpret_cast<Window*>(data);
  if (data) XFree(data);
  return value;
}
}  // namespace

int DesktopHotKey::SetHotKey(HWND window, uint16_t hotKey) {
  Remove();
  if (hotKey == 0) return kHotKeySet;
  if (hotKey < VK_F1 || hotKey > VK_F12) return kHotKeyInvalid;
  if (!window || !connection_.Open()) return kHotKeyNoWindow;
  Display* display = connection_.display();
  KeyCode keycode = XKeysymToKeycode(display, XK_F1 + (hotKey - VK_F1));
  if (!keycode) return kHotKeyInvalid;

  numLockMask_ = NumLockMask(display);
  Window root = DefaultRootWindow(display);
  const auto locks = LockStates(numLockMask_);
  int error = connection_.SyncTrappingErrors([&] {
    for (unsigned lock : locks) XGrabKey(display, keycode, lock, root, False, GrabModeAsync, GrabModeAsync);
  });
  if (error != 0) {
    // Some other client holds the key; give back the states we did get.
    connection_.SyncTrappingErrors([&] {
      for (unsigned lock : locks) XUngrabKey(display, keycode, lock, root);
    });
    return error == BadAccess ? kHotKeyTaken : kHotKeyNoWindow;
  }
  window_ = window;
  keycode_ = keycode;
  return kHotKeySet;
}

void DesktopHotKey::Remove() {
  if (keycode_ && connection_.display() && !connection_.Lost()) {
    Display* display = connection_.display();
    for (unsigned lock : LockStates(numLockMask_)) XUngrabKey(display, keycode_, lock, DefaultRootWindow(display));
    XSync(display, False);  // the key is free for others once this returns
  }
  keycode_ = 0;
  window_ = 0;
}

int DesktopHotKey::EventFd() const {
  if (!keycode_ || !connection_.display() || connection_.Lost()) return -1;
  return ConnectionNumber(connection_.display());
}

void DesktopHotKey::Dispatch() {
  Display* display = connection_.display();
  if (!display) return;
  while (!connection_.Lost() && XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == KeyPress && keycode_ && event.xkey.keycode == keycode_) Activate(event.xkey.time);
  }
}

bool DesktopHotKey::WindowManagerActivates() {
  // A running EWMH window manager names a check window that names itself.
  Display* display = connection_.display();
  Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  Window child = ReadWindowProperty(display, DefaultRootWindow(display), check);
  if (!child) return false;
  Window self = 0;
  int error = connection_.SyncTrappingErrors([&] { self = ReadWindowProperty(display, child, check); });
  return error == 0 && self == child;
}

void DesktopHotKey::Activate(unsigned long time) {
  Display* display = connection_.display();
  if (WindowManagerActivates()) {
    // Asked as a pager with the key's time stamp, so that focus-stealing
    // prevention lets the user's own key press through.
    XEvent message = {};
    message.xclient.type = ClientMessage;
    message.xclient.window = window_;
    message.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = 2;
    message.xclient.data.l[1] = long(time);
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
    XFlush(display);
    return;
  }
  // No window manager: raise and focus directly. A window that is not
  // mapped cannot take the focus; the error is caught and ignored.
  connection_.SyncTrappingErrors([&] {
    XRaiseWindow(display, window_);
    XSetInputFocus(display, window_, RevertToParent, time);
  });
}
