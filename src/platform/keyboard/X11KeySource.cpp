// The physical state of every key, read from the X server with
// XQueryKeymap: it answers for the whole desktop, in the background too.
// A tap can be over before the window reads the state for its press event;
// the keys the window saw pressed count as down until it sees the release.
#include <X11/Xlib.h>

#include <cstring>

#include "platform/keyboard/KeySnapshotSource.h"
#include "platform/keyboard/ScanCodes.h"
#include "platform/keyboard/X11Connection.h"

namespace {
class X11KeySource final : public KeySnapshotSource {
 public:
  bool Connect() { return connection_.Open(); }

  HRESULT Acquire(HWND) override { return connection_.Open() ? DI_OK : DIERR_INPUTLOST; }

  HRESULT Read(uint8_t (&keys)[kKeyboardStateSize]) override {
    if (!connection_.display() || connection_.Lost()) return DIERR_INPUTLOST;
    char keymap[32] = {};  // one bit per X keycode
    XQueryKeymap(connection_.display(), keymap);
    if (connection_.Lost()) return DIERR_INPUTLOST;
    std::memset(keys, 0, kKeyboardStateSize);
    for (uint32_t keycode = 0; keycode < 256; ++keycode) {
      if (!(keymap[keycode / 8] & (1 << (keycode % 8)))) continue;
      if (uint8_t dik = DikFromXkbKeycode(keycode)) keys[dik] = kKeyDown;
    }
    AddFedKeys(keys);
    return DI_OK;
  }

 private:
  X11Connection connection_;
};
}  // namespace

std::unique_ptr<KeySnapshotSource> MakeX11KeySource() {
  auto source = std::make_unique<X11KeySource>();
  if (!source->Connect()) return nullptr;
  return source;
}
