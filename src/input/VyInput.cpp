#include "input/VyInput.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <utility>

#include "foundation/OzoAssert.h"
#include "foundation/OzoError.h"
#include "foundation/OzoErrorNames.h"
#include "platform/kernel/KernelClock.h"

namespace {
const char* Name(HRESULT result) { return DirectInputErrorName(uint32_t(result)); }

bool initialized = false;
IDirectInput* input = nullptr;
IDirectInputDevice* keyboard = nullptr;
uint8_t snapshots[2][kKeyboardStateSize];
uint8_t* current = snapshots[0];   // filled by the next read
uint8_t* previous = snapshots[1];  // the newest completed read
uint8_t watched[kMaxWatchedKeys];
unsigned watchedCount = 0;

void ReleaseInterfaces() {
  if (keyboard) keyboard->Release();
  if (input) input->Release();
  keyboard = nullptr;
  input = nullptr;
}

void ForgetKeys() {
  current = snapshots[0];
  previous = snapshots[1];
  std::memset(previous, 0, kKeyboardStateSize);
}

// Fails like a device that is not there: every step after the first releases
// what the earlier ones made.
int FailStart(int line, const char* what, HRESULT result) {
  ReleaseInterfaces();
  ReportError(__FILE__, line, kReport, "VyInput: Error %s [%s]", what, Name(result));
  return -1;
}

int NotInitialized(int line) {
  ReportError(__FILE__, line, kReport, "VyInput: Not initialized");
  return -1;
}
}  // namespace

int InputStart(HINSTANCE instance, HWND window) {
  OZO_ASSERT_WINDOW_THREAD();
  if (initialized) InputStop();
  HRESULT result = DirectInputCreate(instance, DIRECTINPUT_VERSION, &input, nullptr);
  if (FAILED(result)) return FailStart(__LINE__, "starting up DirectInput", result);
  result = input->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr);
  if (FAILED(result)) return FailStart(__LINE__, "initializing system keyboard", result);
  result = keyboard->SetDataFormat(&c_dfDIKeyboard);
  if (FAILED(result)) return FailStart(__LINE__, "setting keyboard data format", result);
  result = keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
  if (FAILED(result)) return FailStart(__LINE__, "setting cooperative level", result);
  ForgetKeys();
  watchedCount = 0;
  initialized = true;
  return 0;
}

void InputStop() {
  OZO_ASSERT_WINDOW_THREAD();
  if (!initialized) return;
  keyboard->Unacquire();
  ReleaseInterfaces();
  watchedCount = 0;
  initialized = false;
}

void SetWatchedKeys(unsigned key, ...) {
  OZO_ASSERT_WINDOW_THREAD();
  watchedCount = 0;
  va_list rest;
  va_start(rest, key);
  for (; key != 0; key = va_arg(rest, unsigned))
    if (watchedCount < kMaxWatchedKeys) watched[watchedCount++] = uint8_t(key);
  va_end(rest);
}

void SetWatchedKeyList(const uint8_t* keys, unsigned count) {
  OZO_ASSERT_WINDOW_THREAD();
  watchedCount = std::min(count, kMaxWatchedKeys);
  std::memcpy(watched, keys, watchedCount);
}

int PollKeys(TVyKeyEvent* events, int* count, unsigned max) {
  OZO_ASSERT_WINDOW_THREAD();
  *count = 0;
  if (!initialized) return NotInitialized(__LINE__);
  HRESULT result = keyboard->GetDeviceState(kKeyboardStateSize, current);
  if (result == DIERR_INPUTLOST || result == DIERR_NOTACQUIRED) {
    // Once per poll: a device that fails again is reported, not chased.
    if (Reacquire() != 0) return -2;
    result = keyboard->GetDeviceState(kKeyboardStateSize, current);
  }
  if (FAILED(result)) {
    ReportError(__FILE__, __LINE__, kReport, "VyInput: Error retrieving keyboard state [%s]", Name(result));
    return -1;
  }
  unsigned stored = 0;
  for (unsigned i = 0; i < watchedCount && stored < max; ++i) {
    uint8_t key = watched[i];
    if (current[key] != previous[key]) events[stored++] = {current[key], key, GetTickCount()};
  }
  std::swap(current, previous);
  *count = int(stored);
  return 0;
}

int ReleaseHeld(TVyKeyEvent* events, int* count, unsigned max) {
  OZO_ASSERT_WINDOW_THREAD();
  *count = 0;
  if (!initialized) return NotInitialized(__LINE__);
  unsigned stored = 0;
  for (unsigned i = 0; i < watchedCount && stored < max; ++i)
    if (previous[watched[i]] & kKeyDown) events[stored++] = {0, watched[i], GetTickCount()};
  *count = int(stored);
  return 0;
}

int Reacquire() {
  OZO_ASSERT_WINDOW_THREAD();
  if (!initialized) return NotInitialized(__LINE__);
  HRESULT result = keyboard->Acquire();
  // Another program's priority still leaves us the shared snapshot.
  if (FAILED(result) && result != E_ACCESSDENIED) {
    ReportError(__FILE__, __LINE__, kReport, "VyInput: Error re-acquiring keyboard device [%s]", Name(result));
    return -1;
  }
  ForgetKeys();
  return 0;
}
