// The deck's own preferences beyond the designed settings block (keylock
// engine, auto-gain, Link, MIDI port, ...). Each one is a short text value of
// its own in the settings store, below "Software\Ozo\VySystem\Preferences":
// it is replaced whole, and a deck that changes one never overwrites another
// deck's change of another. The designed block stays byte-exact.
//
// Values are read when asked (they are tiny files); a missing value gives
// the fallback, an unreadable or out-of-range one gives the fallback and a
// log line. Callable from any thread but the audio callback.
#pragma once
#include <string>

namespace Preferences {

std::string Text(const char* name, const std::string& fallback);
bool Flag(const char* name, bool fallback);
// A value outside [min, max] or not a number gives the fallback.
double Number(const char* name, double fallback, double min, double max);

// False (and a log line) when the store cannot be written.
bool SetText(const char* name, const std::string& value);
bool SetFlag(const char* name, bool value);
bool SetNumber(const char* name, double value);

}  // namespace Preferences
