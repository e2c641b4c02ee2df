// Physical keys: X keycodes (Linux evdev code + 8, as the X server and
// Wayland number them) to DIK_* scan codes, and a readable name per code.
// Positions, not symbols: the map is the same under every keyboard layout.
#pragma once
#include <cstdint>

constexpr uint32_t kEvdevToXkbOffset = 8;

// The DIK_* code of the key at X keycode `keycode`, 0 for a key without one.
uint8_t DikFromXkbKeycode(uint32_t keycode);

// "Keypad Enter", "Right Ctrl", "A"...; "?" for a code no key has.
const char* DikName(uint8_t dik);
