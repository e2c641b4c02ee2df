// Where the keyboard device reads its snapshot: the X server the window runs
// on, a snapshot fed by the window's own key events where there is no X
// display, or whatever a test installs.
#pragma once
#include <functional>
#include <memory>

#include "platform/keyboard/DirectInput.h"

class KeySnapshotSource {
 public:
  virtual ~KeySnapshotSource() = default;
  // Called by every Acquire: connects if needed. DI_OK or a DIERR_* code.
  virtual HRESULT Acquire(HWND window) = 0;
  // Fills the 256-byte snapshot. DIERR_INPUTLOST when the source cannot be
  // read; the device then needs an Acquire before it reads again.
  virtual HRESULT Read(uint8_t (&keys)[kKeyboardStateSize]) = 0;
};

using KeySourceFactory = std::function<std::unique_ptr<KeySnapshotSource>()>;

// The source of keyboard devices created from now on; null restores the
// default: the X display ($DISPLAY) where one opens, else the fed snapshot.
void SetKeySourceFactory(KeySourceFactory factory);
std::unique_ptr<KeySnapshotSource> MakeKeySource();

// The snapshot kept from the window's own key events. `keycode` is the X
// keycode (evdev code + 8, Qt's native scan code on X11 and Wayland).
std::unique_ptr<KeySnapshotSource> MakeFedKeySource();
void FeedKeyEvent(uint32_t keycode, bool pressed);
// Releases never seen by an inactive window would stick: the window forgets
// every key when it loses the focus.
void ForgetFedKeys();
// Marks down in `keys` every key the window saw pressed and not yet released.
void AddFedKeys(uint8_t (&keys)[kKeyboardStateSize]);

// The physical state of every key on the X server at $DISPLAY, with the keys
// the window saw pressed (AddFedKeys); null when no display opens.
std::unique_ptr<KeySnapshotSource> MakeX11KeySource();
