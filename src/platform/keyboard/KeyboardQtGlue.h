// The window's side of the keyboard layer, for a Qt window: the program runs
// on Qt's X11 platform where an X display exists, the key snapshot comes
// from the window's own key events elsewhere, and the hot key's connection
// is watched from the window's event loop.
#pragma once
#include <QObject>
#include <memory>

#include "platform/keyboard/DesktopHotKey.h"

class QKeyEvent;
class QSocketNotifier;

// Before the application object: pick Qt's xcb platform when $DISPLAY is set
// and the user has not chosen a platform.
void PreferX11Platform();

// After the application object: off X11 (Wayland alone, offscreen) keyboard
// devices read the snapshot that FeedWindowKeyEvent keeps.
void ChooseKeySnapshotSource();

// Every key press and release the window receives.
void FeedWindowKeyEvent(const QKeyEvent& event);

// Owns the window's hot key and handles its events as they arrive, with no
// second thread: the grab's connection is watched like any other socket.
class HotKeyWatcher : public QObject {
 public:
  HotKeyWatcher();
  ~HotKeyWatcher() override;
  // The system's set-hot-key answer (kHotKeySet ...).
  int SetHotKey(HWND window, uint16_t hotKey);

 private:
  DesktopHotKey hotKey_;
  std::unique_ptr<QSocketNotifier> notifier_;
};
