// The deck's keyboard: the system keyboard read as key-down and key-up events
// for a watch list of scan codes, by comparing the newest 256-byte snapshot
// with the one before. Process-wide; every call runs on the window's thread.
#pragma once
#include <cstdint>

#include "platform/keyboard/DirectInput.h"

constexpr unsigned kMaxWatchedKeys = 50;

struct TVyKeyEvent {
  uint32_t state;  // the key's new snapshot byte: 0x80 pressed, 0 released
  uint32_t key;    // DIK_* scan code
  uint32_t time;   // GetTickCount milliseconds
};

// Opens the keyboard for `window` (a running keyboard is stopped first). The
// device is acquired by the first poll. 0, or -1 reported.
int InputStart(HINSTANCE instance, HWND window);
void InputStop();

// The scan codes to watch, in order, ending with 0; past the fiftieth ignored.
void SetWatchedKeys(unsigned key, ...);
// The same from a list of `count` scan codes.
void SetWatchedKeyList(const uint8_t* keys, unsigned count);

// Up to `max` events for the watched keys that changed since the last poll,
// in watch-list order. Changes past `max` are dropped, not kept for later.
// 0; -1 reported here; -2 when re-acquiring failed and has reported.
int PollKeys(TVyKeyEvent* events, int* count, unsigned max);

// A release event for every watched key last seen down (for a window losing
// the focus); the snapshots stay as they are. 0, or -1 reported.
int ReleaseHeld(TVyKeyEvent* events, int* count, unsigned max);

// Acquires the device again and forgets the keys last seen down, so keys held
// now come out as presses at the next poll. 0, or -1 reported.
int Reacquire();
