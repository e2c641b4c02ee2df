// Our keyboard-snapshot API: the calls, result codes and scan codes of the
// keyboard service the deck was designed for. The snapshot is 256 bytes
// indexed by DIK_* scan code; bit 7 set means the key is down.
#pragma once
#include <cstdint>

#include "platform/ComResult.h"

using HINSTANCE = void*;
// A window as the desktop names it (the X window id on X11); passed through.
using HWND = uintptr_t;

constexpr HRESULT DI_OK = 0;
constexpr HRESULT DI_NOEFFECT = 1;  // the same value as DI_BUFFEROVERFLOW, as published
constexpr HRESULT E_PENDING = MakeResult(0x8000000A);
constexpr HRESULT DIERR_UNSUPPORTED = MakeResult(0x80004001);
constexpr HRESULT DIERR_NOINTERFACE = MakeResult(0x80004002);
constexpr HRESULT DIERR_GENERIC = MakeResult(0x80004005);
constexpr HRESULT DIERR_NOAGGREGATION = MakeResult(0x80040110);
constexpr HRESULT DIERR_DEVICENOTREG = MakeResult(0x80040154);
constexpr HRESULT E_ACCESSDENIED = MakeResult(0x80070005);
constexpr HRESULT DIERR_OTHERAPPHASPRIO = E_ACCESSDENIED;
constexpr HRESULT DIERR_NOTACQUIRED = MakeResult(0x8007000C);
constexpr HRESULT DIERR_OUTOFMEMORY = MakeResult(0x8007000E);
constexpr HRESULT DIERR_NOTINITIALIZED = MakeResult(0x80070015);
constexpr HRESULT DIERR_INPUTLOST = MakeResult(0x8007001E);
constexpr HRESULT DIERR_INVALIDPARAM = MakeResult(0x80070057);
constexpr HRESULT DIERR_BADDRIVERVER = MakeResult(0x80070077);
constexpr HRESULT DIERR_ACQUIRED = MakeResult(0x800700AA);
constexpr HRESULT DIERR_OLDDIRECTINPUTVERSION = MakeResult(0x8007047E);
constexpr HRESULT DIERR_BETADIRECTINPUTVERSION = MakeResult(0x80070481);
constexpr HRESULT DIERR_ALREADYINITIALIZED = MakeResult(0x800704DF);

constexpr uint32_t DIRECTINPUT_VERSION = 0x0500;

constexpr uint32_t DISCL_EXCLUSIVE = 0x01;
constexpr uint32_t DISCL_NONEXCLUSIVE = 0x02;
constexpr uint32_t DISCL_FOREGROUND = 0x04;
constexpr uint32_t DISCL_BACKGROUND = 0x08;

constexpr uint32_t kKeyboardStateSize = 256;
constexpr uint8_t kKeyDown = 0x80;

// {6F1D2B61-D5A0-11CF-BFC7-444553540000}, in the published byte order.
constexpr TGuid GUID_SysKeyboard = {
    {0x61, 0x2B, 0x1D, 0x6F, 0xA0, 0xD5, 0xCF, 0x11, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// A device data format; only the predefined keyboard snapshot is offered.
struct TDIDataFormat {
  uint32_t dwSize;
  uint32_t dwDataSize;  // bytes of one device state
};
extern const TDIDataFormat c_dfDIKeyboard;

// Scan codes the deck's key map names; every key and its name: ScanCodes.h.
constexpr uint8_t DIK_1 = 0x02, DIK_0 = 0x0B, DIK_MINUS = 0x0C, DIK_EQUALS = 0x0D;
constexpr uint8_t DIK_T = 0x14, DIK_RETURN = 0x1C, DIK_LCONTROL = 0x1D;
constexpr uint8_t DIK_K = 0x25, DIK_GRAVE = 0x29, DIK_LSHIFT = 0x2A, DIK_Z = 0x2C, DIK_M = 0x32;
constexpr uint8_t DIK_RSHIFT = 0x36, DIK_MULTIPLY = 0x37, DIK_LMENU = 0x38, DIK_SPACE = 0x39;
constexpr uint8_t DIK_SUBTRACT = 0x4A, DIK_ADD = 0x4E, DIK_NUMPAD0 = 0x52;
constexpr uint8_t DIK_NUMPADENTER = 0x9C, DIK_RCONTROL = 0x9D, DIK_DIVIDE = 0xB5;
constexpr uint8_t DIK_RMENU = 0xB8, DIK_UP = 0xC8, DIK_PRIOR = 0xC9, DIK_LEFT = 0xCB;
constexpr uint8_t DIK_RIGHT = 0xCD, DIK_DOWN = 0xD0, DIK_NEXT = 0xD1;
constexpr uint8_t DIK_B = 0x30, DIK_S = 0x1F, DIK_L = 0x26;

class IDirectInputDevice {
 public:
  // Only c_dfDIKeyboard (or a format of the same size) is accepted.
  virtual HRESULT SetDataFormat(const TDIDataFormat* format) = 0;
  // DISCL_NONEXCLUSIVE with DISCL_BACKGROUND or DISCL_FOREGROUND; the
  // snapshot is the same in either, exclusive access is unsupported.
  virtual HRESULT SetCooperativeLevel(HWND window, uint32_t flags) = 0;
  // Starts (or restarts) reading; DI_NOEFFECT when already acquired.
  virtual HRESULT Acquire() = 0;
  virtual HRESULT Unacquire() = 0;
  // Fills `size` (256) bytes; DIERR_NOTACQUIRED before Acquire, and
  // DIERR_INPUTLOST when the source cannot be read (the device is then
  // unacquired until the next Acquire).
  virtual HRESULT GetDeviceState(uint32_t size, void* data) = 0;
  virtual void Release() = 0;

 protected:
  virtual ~IDirectInputDevice() = default;
};

class IDirectInput {
 public:
  // GUID_SysKeyboard is the only device.
  virtual HRESULT CreateDevice(const TGuid& device, IDirectInputDevice** created, void* outer) = 0;
  // Devices must be released before their input object.
  virtual void Release() = 0;

 protected:
  virtual ~IDirectInput() = default;
};

HRESULT DirectInputCreate(HINSTANCE instance, uint32_t version, IDirectInput** created, void* outer);
