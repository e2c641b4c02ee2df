// The actions carried out on the deck itself, as the console does: each key
// its deck command, no modifiers held.
#pragma once
#include "midi/MidiControl.h"

class TMidiDeckTarget : public TMidiTarget {
 public:
  explicit TMidiDeckTarget(TVySystemTAG& deck) : deck_(deck) {}
  void Key(TDeckKeyAction key, bool pressed) override;
  void PitchFader(int value) override;
  void Volume(int volume) override;

 private:
  TVySystemTAG& deck_;
};
