#include "platform/keyboard/DirectInput.h"

#include <memory>

#include "platform/keyboard/KeySnapshotSource.h"

const TDIDataFormat c_dfDIKeyboard = {sizeof(TDIDataFormat), kKeyboardStateSize};

namespace {
class KeyboardDevice final : public IDirectInputDevice {
 public:
  explicit KeyboardDevice(std::unique_ptr<KeySnapshotSource> source) : source_(std::move(source)) {}

  HRESULT SetDataFormat(const TDIDataFormat* format) override {
    if (acquired_) return DIERR_ACQUIRED;
    if (!format || format->dwDataSize != kKeyboardStateSize) return DIERR_INVALIDPARAM;
    formatSet_ = true;
    return DI_OK;
  }

  HRESULT SetCooperativeLevel(HWND window, uint32_t flags) override {
    bool oneAccess = ((flags & DISCL_EXCLUSIVE) != 0) != ((flags & DISCL_NONEXCLUSIVE) != 0);
    bool oneFocus = ((flags & DISCL_FOREGROUND) != 0) != ((flags & DISCL_BACKGROUND) != 0);
    if (!oneAccess || !oneFocus) return DIERR_INVALIDPARAM;
    // Nothing may keep the keyboard from the rest of the desktop.
    if (flags & DISCL_EXCLUSIVE) return DIERR_UNSUPPORTED;
    window_ = window;
    return DI_OK;
  }

  HRESULT Acquire() override {
    if (!formatSet_) return DIERR_INVALIDPARAM;
    HRESULT result = source_->Acquire(window_);
    if (FAILED(result)) return result;
    bool was = acquired_;
    acquired_ = true;
    return was ? DI_NOEFFECT : DI_OK;
  }

  HRESULT Unacquire() override {
    bool was = acquired_;
    acquired_ = false;
    return was ? DI_OK : DI_NOEFFECT;
  }

  HRESULT GetDeviceState(uint32_t size, void* data) override {
    if (size != kKeyboardStateSize || !data) return DIERR_INVALIDPARAM;
    if (!acquired_) return DIERR_NOTACQUIRED;
    HRESULT result = source_->Read(*static_cast<uint8_t(*)[kKeyboardStateSize]>(data));
    if (FAILED(result)) acquired_ = false;
    return result;
  }

  void Release() override { delete this; }

 private:
  std::unique_ptr<KeySnapshotSource> source_;
  HWND window_ = 0;
  bool formatSet_ = false;
  bool acquired_ = false;
};

class KeyboardInput final : public IDirectInput {
 public:
  HRESULT CreateDevice(const TGuid& device, IDirectInputDevice** created, void* outer) override {
    if (!created) return DIERR_INVALIDPARAM;
    *created = nullptr;
    if (outer) return DIERR_NOAGGREGATION;
    if (!(device == GUID_SysKeyboard)) return DIERR_DEVICENOTREG;
    *created = new KeyboardDevice(MakeKeySource());
    return DI_OK;
  }
  void Release() override { delete this; }
};
}  // namespace

HRESULT DirectInputCreate(HINSTANCE, uint32_t version, IDirectInput** created, void* outer) {
  if (!created) return DIERR_INVALIDPARAM;
  *created = nullptr;
  if (outer) return DIERR_NOAGGREGATION;
  if (version < DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
  *created = new KeyboardInput();
  return DI_OK;
}
