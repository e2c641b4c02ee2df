#include "platform/keyboard/KeySnapshotSource.h"

#include <cstring>

#include "platform/kernel/KernelCheck.h"
#include "platform/keyboard/ScanCodes.h"

namespace {
KeySourceFactory& InstalledFactory() {
  static KeySourceFactory factory;
  return factory;
}

// Process-wide like the window's key events that feed it; window thread only.
uint8_t fedKeys[kKeyboardStateSize];

class FedKeySource final : public KeySnapshotSource {
 public:
  HRESULT Acquire(HWND) override { return DI_OK; }
  HRESULT Read(uint8_t (&keys)[kKeyboardStateSize]) override {
    KERNEL_CHECK_WINDOW_THREAD();
    std::memcpy(keys, fedKeys, sizeof fedKeys);
    return DI_OK;
  }
};
}  // namespace

void SetKeySourceFactory(KeySourceFactory factory) { InstalledFactory() = std::move(factory); }

std::unique_ptr<KeySnapshotSource> MakeKeySource() {
  if (InstalledFactory()) return InstalledFactory()();
  if (auto x11 = MakeX11KeySource()) return x11;
  return MakeFedKeySource();
}

std::unique_ptr<KeySnapshotSource> MakeFedKeySource() { return std::make_unique<FedKeySource>(); }

void FeedKeyEvent(uint32_t keycode, bool pressed) {
  KERNEL_CHECK_WINDOW_THREAD();
  if (uint8_t dik = DikFromXkbKeycode(keycode)) fedKeys[dik] = pressed ? kKeyDown : 0;
}

void ForgetFedKeys() {
  KERNEL_CHECK_WINDOW_THREAD();
  std::memset(fedKeys, 0, sizeof fedKeys);
}

void AddFedKeys(uint8_t (&keys)[kKeyboardStateSize]) {
  KERNEL_CHECK_WINDOW_THREAD();
  for (size_t k = 0; k < kKeyboardStateSize; ++k) keys[k] |= fedKeys[k];
}
