// The live state of a modifier key at this moment, read from the same place
// the keyboard device reads (the X server, or the window's own key events),
// independent of any poll: for a decision taken at a mouse click.
#pragma once
#include <cstdint>

constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int16_t kAsyncKeyDown = int16_t(0x8000);

// kAsyncKeyDown when either key of the pair is down now, else 0 (also for
// other keys, and when the keyboard cannot be read).
int16_t GetAsyncKeyState(int virtualKey);
