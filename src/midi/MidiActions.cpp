#include "midi/MidiActions.h"

int MidiActionIndex(const std::string& name) {
  for (int i = 0; i < kMidiActionCount; ++i)
    if (name == kMidiActions[i].name) return i;
  return -1;
}
