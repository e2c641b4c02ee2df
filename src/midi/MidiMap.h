// The controls bound to actions, as the file midi.map keeps them: one
// binding a line, "ACTION TYPE CHANNEL NUMBER [OPTIONS]", for example
//   play   note 1 11
//   pitch  cc   1 0   14bit invert
//   jog    cc   1 33  centred deck=1
// TYPE is note or cc; CHANNEL 1..16; NUMBER 0..127. Options: 14bit (an
// absolute cc below 32 whose fine part comes on NUMBER + 32), invert (an
// absolute control's top is the value's bottom), twos or centred (a
// relative control's encoding; twos by default), deck=N (only the deck with
// that number follows the line; without it every deck does). "#" starts a
// comment.
#pragma once
#include <string>
#include <vector>

#include "midi/MidiMessage.h"

struct TMidiBinding {
  int action = -1;  // row of kMidiActions
  TMidiKind kind = mkNone;
  uint8_t channel = 1, number = 0;
  bool fine = false, invert = false;
  TMidiRelative relative = mrTwosComplement;
  int deck = 0;  // 0: every deck

  bool SameControl(const TMidiBinding& other) const {
    return kind == other.kind && channel == other.channel && number == other.number && deck == other.deck;
  }
};

struct TMidiMapText {
  std::vector<TMidiBinding> bindings;
  std::vector<std::string> problems;  // one per broken line, saying which and why
};

// Every good line's binding; a broken line is skipped and said why.
TMidiMapText ParseMidiMap(const std::string& text);
std::string FormatMidiBinding(const TMidiBinding& binding);
std::string FormatMidiMap(const std::vector<TMidiBinding>& bindings);

// $XDG_CONFIG_HOME/vy-system/midi.map ("" when there is no home).
std::string MidiMapPath();
// The file's bindings; each broken line is logged (once: when the deck
// starts, not on the reads that follow). No file: none.
std::vector<TMidiBinding> LoadMidiMap(const std::string& path, bool logBroken = true);
// Replaces the file whole; false (and a log line) when it cannot.
bool SaveMidiMap(const std::string& path, const std::vector<TMidiBinding>& bindings);
