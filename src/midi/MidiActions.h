// What a controller's buttons, faders and wheels can do to the deck, one row
// an action: its name (in the mapping file, the console and the dialog), how
// its control behaves, and for a button the deck key it stands for, so that
// it does just what that key does. A new action is one row.
#pragma once
#include <cstdint>
#include <string>

#include "input/DeckKeys.h"

enum TMidiActionKind : uint8_t {
  akPress,     // acts on the press
  akHold,      // acts on the press and on the release
  akAbsolute,  // a fader or knob: its position
  akRelative,  // a wheel or endless knob: ticks
};

// The targets of the actions that are not keys.
enum TMidiLevel : uint8_t { mlNone, mlPitch, mlVolume, mlJog };

struct TMidiAction {
  const char* name;
  TMidiActionKind kind;
  TDeckKeyAction key;  // for akPress and akHold
  TMidiLevel level;    // for akAbsolute and akRelative
};

inline constexpr TMidiAction kMidiActions[] = {
    {"play", akPress, kaPlay, mlNone},
    {"cue", akHold, kaCue, mlNone},
    {"prev", akPress, kaPreviousTrack, mlNone},
    {"next", akPress, kaNextTrack, mlNone},
    {"ff", akHold, kaSearchForward, mlNone},
    {"rw", akHold, kaSearchBackward, mlNone},
    {"bend-up", akHold, kaBendFaster, mlNone},
    {"bend-down", akHold, kaBendSlower, mlNone},
    {"pitch", akAbsolute, kaIdle, mlPitch},
    {"volume", akAbsolute, kaIdle, mlVolume},
    {"jog", akRelative, kaIdle, mlJog},
    {"mute", akHold, kaMute, mlNone},
    {"time", akPress, kaTimeMode, mlNone},
};
constexpr int kMidiActionCount = int(sizeof kMidiActions / sizeof kMidiActions[0]);

// The row of the action called `name`, or -1.
int MidiActionIndex(const std::string& name);
