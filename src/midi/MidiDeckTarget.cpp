#include "midi/MidiDeckTarget.h"

#include "deck/VySystem.h"

void TMidiDeckTarget::Key(TDeckKeyAction key, bool pressed) {
  TVySystemTAG& d = deck_;
  // The key map reads as a table.
  // clang-format off
  switch (key) {
    case kaPlay: if (pressed) d.PlayPause(); break;
    case kaCue: pressed ? d.CueDown() : d.CueUp(); break;
    case kaPlayCue: if (pressed) d.PlayCueKey(); break;
    case kaPreviousTrack: if (pressed) d.PrevTrack(0); break;
    case kaNextTrack: if (pressed) d.NextTrack(0); break;
    case kaSearchForward: pressed ? d.ForwardDown(0) : d.ForwardUp(); break;
    case kaSearchBackward: pressed ? d.RewindDown(0) : d.RewindUp(); break;
    case kaBendFaster: pressed ? d.BendFastDown(0) : d.BendFastUp(); break;
    case kaBendSlower: pressed ? d.BendSlowDown(0) : d.BendSlowUp(); break;
    case kaMute: pressed ? d.MuteDown() : d.MuteUp(); break;
    case kaTimeMode: if (pressed) d.ToggleTimeMode(); break;
    default: break;
  }
  // clang-format on
}

void TMidiDeckTarget::PitchFader(int value) { deck_.SetPitchFader(value); }
void TMidiDeckTarget::Volume(int volume) { deck_.SetVolume(volume); }
