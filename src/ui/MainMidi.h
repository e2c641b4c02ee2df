// The window's MIDI controller: messages carried out as soon as they come (a
// socket notifier on the queue's signal wakes the window's thread), each
// through the window's own handlers, so that a control and its button or
// key behave the same.
#pragma once
#include <functional>
#include <memory>

#include "midi/MidiControl.h"

class QSocketNotifier;
class QWidget;

class TMainMidi : public TMidiTarget {
 public:
  struct THandlers {
    std::function<void(TDeckKeyAction, bool)> key;
    std::function<void(int)> pitchFader, volume;
  };
  TMainMidi(TVySystemTAG& deck, int deckNumber, THandlers handlers, QWidget& window);
  ~TMainMidi() override;

  // Each display tick.
  void Tick();
  TMidiControl& Control() { return control_; }

  void Key(TDeckKeyAction key, bool pressed) override { handlers_.key(key, pressed); }
  void PitchFader(int value) override { handlers_.pitchFader(value); }
  void Volume(int volume) override { handlers_.volume(volume); }

 private:
  THandlers handlers_;
  TMidiControl control_;
  std::unique_ptr<QSocketNotifier> ready_;
};
