// The deck's fixed key map, one table: the keys the window watches, in their
// watch order (modifiers first, so that a modifier changed in the same poll
// applies to the keys after it), what each does, and how the help page names
// it. The watch list, the window's dispatch and the help page's key list all
// come from here.
#pragma once
#include <cstdint>
#include <iterator>

#include "platform/keyboard/DirectInput.h"

// What a deck key does; the window binds each to its button's handler.
enum TDeckKeyAction : uint8_t {
  kaIdle,  // watched, does nothing
  kaShift,
  kaCtrl,
  kaAlt,
  kaOpen,
  kaPlay,
  kaCue,
  kaPlayCue,
  kaBendFaster,
  kaBendSlower,
  kaSearchForward,
  kaSearchBackward,
  kaPreviousTrack,
  kaNextTrack,
  kaVolumeUp,
  kaVolumeDown,
  kaMute,
  kaTimeMode,
  kaBpmDisplay,
  kaKeylock,
  kaLink,
  kaSync,
};

struct TDeckKey {
  uint8_t scanCode;  // DIK_*
  TDeckKeyAction action;
  const char* name;  // as the help page shows the key; null for an idle key
  bool keypad;       // the keypad's key of that name
};

inline constexpr TDeckKey kDeckKeys[] = {
    {DIK_RSHIFT, kaShift, "Shift", false},
    {DIK_LSHIFT, kaShift, "Shift", false},
    {DIK_RCONTROL, kaCtrl, "Ctrl", false},
    {DIK_LCONTROL, kaCtrl, "Ctrl", false},
    {DIK_RMENU, kaAlt, "Alt", false},
    {DIK_LMENU, kaAlt, "Alt", false},
    {DIK_RETURN, kaOpen, "Enter", false},
    {DIK_NUMPADENTER, kaPlay, "Enter", true},
    {DIK_NUMPAD0, kaCue, "0", true},
    {DIK_ADD, kaBendFaster, "+", true},
    {DIK_SUBTRACT, kaBendSlower, "-", true},
    {DIK_DIVIDE, kaVolumeDown, "/", true},
    {DIK_MULTIPLY, kaVolumeUp, "*", true},
    {DIK_UP, kaBendFaster, "Up", false},
    {DIK_DOWN, kaBendSlower, "Down", false},
    {DIK_LEFT, kaSearchBackward, "Left", false},
    {DIK_RIGHT, kaSearchForward, "Right", false},
    {DIK_PRIOR, kaPreviousTrack, "Page Up", false},
    {DIK_NEXT, kaNextTrack, "Page Down", false},
    {DIK_SPACE, kaPlayCue, "Space", false},
    {DIK_T, kaTimeMode, "T", false},
    {DIK_M, kaMute, "M", false},
    {DIK_B, kaBpmDisplay, "B", false},
    {DIK_K, kaKeylock, "K", false},
    {DIK_L, kaLink, "L", false},
    {DIK_S, kaSync, "S", false},
    {DIK_MINUS, kaVolumeDown, "-", false},
    {DIK_EQUALS, kaVolumeUp, "=", false},
    // The grave accent and the digits row: watched, and idle.
    {DIK_GRAVE, kaIdle, nullptr, false},
    {0x02, kaIdle, nullptr, false},
    {0x03, kaIdle, nullptr, false},
    {0x04, kaIdle, nullptr, false},
    {0x05, kaIdle, nullptr, false},
    {0x06, kaIdle, nullptr, false},
    {0x07, kaIdle, nullptr, false},
    {0x08, kaIdle, nullptr, false},
    {0x09, kaIdle, nullptr, false},
    {0x0A, kaIdle, nullptr, false},
    {0x0B, kaIdle, nullptr, false},
};
constexpr unsigned kDeckKeyCount = std::size(kDeckKeys);

// The help page's key list, one row an action, as held keys say "(hold)".
struct TDeckKeyHelp {
  TDeckKeyAction action;
  bool held;
  const char* text;  // HTML
};

inline constexpr TDeckKeyHelp kDeckKeyHelp[] = {
    {kaPlay, false, "Play / pause"},
    {kaCue, true, "CUE; with \"Pioneer style CUE key\" it plays while held"},
    {kaPlayCue, false, "CUE while playing, otherwise Play"},
    {kaBendFaster, true, "Bend faster"},
    {kaBendSlower, true, "Bend slower"},
    {kaSearchForward, true, "Search forward"},
    {kaSearchBackward, true, "Search backward"},
    {kaPreviousTrack, false, "Previous track (with <kbd>Ctrl</kbd>: five tracks back)"},
    {kaNextTrack, false, "Next track (with <kbd>Ctrl</kbd>: five tracks on)"},
    {kaVolumeUp, true, "Volume up, 5 steps every tick (with <kbd>Shift</kbd>: 1 step)"},
    {kaVolumeDown, true, "Volume down, 5 steps every tick (with <kbd>Shift</kbd>: 1 step)"},
    {kaMute, true, "Mute"},
    {kaTimeMode, false, "Time display: elapsed / remaining"},
    {kaBpmDisplay, false, "Pitch display: pitch / the track's tempo at this pitch (BPM)"},
    {kaKeylock, false, "Keylock: the pitch changes the tempo, the key stays (the PITCH lamp turns blue)"},
    {kaLink, false, "Link: share tempo and beats with every Link app on the network (the lamp between the bend "
                    "buttons lights, with the number of other apps)"},
    {kaSync, false, "Sync: play at the Link session's tempo, beats on its beats; the pitch fader sets the session's "
                    "tempo, the bends nudge (the PITCH lamp turns orange)"},
    {kaOpen, false, "Open files"},
    {kaShift, false, "Held with the bend and search keys: fixed, finer steps; with the volume keys: 1 step"},
    {kaCtrl, false, "Held with the bend and search keys: fixed, finer steps; with the track keys: five tracks"},
};

// What the key with this scan code does: kaIdle for a key not in the map.
TDeckKeyAction DeckKeyAction(uint32_t scanCode);

// Watches the deck's keys in their table order.
void WatchDeckKeys();
