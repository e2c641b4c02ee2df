// A controller driving one deck: the input port, the bindings of midi.map,
// learning, and the actions carried out on the deck's own thread (the
// window's or the console's). Messages wait in a queue that the owner
// empties with Drain whenever WakeFd is readable; Tick, a few times a second,
// ends a jog's nudge and notices a controller that went or came back.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "input/DeckKeys.h"
#include "midi/MidiMap.h"
#include "midi/MidiQueue.h"
#include "platform/rtmidi/MidiPort.h"

class TVySystemTAG;

// What the actions act on: the deck's keys as the owner carries them out
// (the window through its buttons' handlers), and the two faders.
class TMidiTarget {
 public:
  virtual ~TMidiTarget() = default;
  virtual void Key(TDeckKeyAction key, bool pressed) = 0;
  virtual void PitchFader(int value) = 0;
  virtual void Volume(int volume) = 0;
};

// The preference that keeps the chosen source ("" none).
inline constexpr char kMidiPortPreference[] = "MidiPort";

class TMidiControl {
 public:
  // The deck follows the map's unmarked lines and those marked with its
  // number (deck=N), and marks what it learns with it; a deck without a
  // number (0) follows deck 1's lines and learns for every deck.
  TMidiControl(TVySystemTAG& deck, TMidiTarget& target, int deckNumber = 0, std::string mapPath = MidiMapPath());
  ~TMidiControl();

  int WakeFd() const { return queue_.WakeFd(); }
  // Connects to the source the preference names, if any.
  void Start();
  std::vector<std::string> Sources() { return port_.Sources(); }
  // Connects to `source` ("" disconnects) and keeps it as the preference.
  // False when it cannot, with Error() saying why.
  bool Connect(const std::string& source);
  const std::string& Source() const { return source_; }
  bool Connected() const { return port_.IsOpen(); }
  const std::string& Error() const { return port_.Error(); }

  // The next control moved is bound to the action (a row of kMidiActions).
  void Learn(int action) { learning_ = action; }
  void StopLearning() { learning_ = -1; }
  bool Learning() const { return learning_ >= 0; }
  const std::vector<TMidiBinding>& Bindings() const { return bindings_; }

  // Carries out the messages that came.
  void Drain(int64_t nowMs);
  void Tick(int64_t nowMs);
  // When Tick is next due, from now (-1: no hurry).
  int TickDueMs(int64_t nowMs) const;

  static constexpr int kWatchMs = 1000;     // how often the sources are looked at
  static constexpr int kJogRestMs = 120;    // a wheel still this long ends its nudge
  static constexpr int kTakeoverPercent = 3;  // of a fader's travel

 private:
  struct TControlState {
    bool held = false;
    TMidiAbsolute absolute;
    TSoftTakeover takeover;
  };
  static void Receive(const uint8_t* bytes, size_t size, void* self);
  void LearnFrom(const TMidiMessage& message);
  void Act(const TMidiMessage& message);
  void ActOn(size_t binding, const TMidiMessage& message, bool fine);
  void Apply(int64_t nowMs);
  void Jog(int ticks, int64_t nowMs);
  void EndJogNudge();
  void ReleaseHeld();
  void WatchSource();
  void Rebind(const std::function<bool(TMidiBinding&)>& replaced, const TMidiBinding& binding, bool fine);
  bool Follows(const TMidiBinding& binding) const;

  TVySystemTAG& deck_;
  TMidiTarget& target_;
  int deckNumber_;
  std::string mapPath_;
  TMidiQueue queue_;
  TMidiPort port_;
  std::string source_;
  bool sourceGone_ = false;
  std::vector<TMidiBinding> bindings_;
  std::vector<TControlState> states_;  // one per binding
  int learning_ = -1;
  int lastLearnt_ = -1;  // a coarse cc just learnt, whose fine part may follow
  // What the messages of one drain ask, carried out once at its end.
  int pitchBinding_ = -1, volumeBinding_ = -1, jogTicks_ = 0;
  TDeckKeyAction jogNudge_ = kaIdle;  // the bend a turning wheel holds
  int64_t jogRestAt_ = 0, watchAt_ = 0;
};
