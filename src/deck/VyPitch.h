// The pitch and bend controller: the pitch fader with its dead zone, three
// pitch ranges, momentary bends, fine pitch steps, and the playback rate.
// Pitch and bend are in hundredths of a per cent (800 = 8.00 %).
#pragma once
#include <cstdint>
#include <functional>

#include "foundation/OzoCounter.h"
#include "foundation/OzoSync.h"

enum TVyBendMode : uint8_t { bmNone = 0, bmStep = 1, bmFaster = 2, bmSlower = 3 };
enum TVyPitchRange : uint8_t { pr8 = 0, pr16 = 1, pr20 = 2 };

// Bend button modifiers as the window passes them.
constexpr int kModShift = 1;
constexpr int kModCtrl = 2;
constexpr int kModAlt = 4;

// The window's pitch slider limits, copied into the deck information block.
struct TVyFaderBlock {
  int32_t Maximum;
  int32_t Minimum;
  int32_t Increment;
  int32_t Fixed;  // always 1, unused
  int32_t Initial;
};

// Snapshot the deck copies out for the window.
struct TVyPitchInfo {
  int32_t PitchOn;
  int32_t Pitch;
  int32_t FaderValue;
  int32_t Rate;
  char PitchText[12];
};

class TVyPitchTAG : public TOzoSync {
 public:
  explicit TVyPitchTAG(TVyCounter counter = SystemCounter());

  // Each operation holds the pitch lock; those that change pitch, bend or
  // the switch set Dirty, and the deck recomputes text and rate.
  void SetRange(TVyPitchRange range);  // values outside pr8..pr20 change nothing
  void SetFader(int faderValue);
  void Nudge(int delta);
  void TogglePitch();
  // direction +1 fast, -1 slow; modifiers Shift/Ctrl select a fine step.
  void BeginBend(int direction, int modifiers);
  void EndBend();
  // Called once per player cycle: takes at most one bend or step.
  void BendTick();
  void SetBaseRate(unsigned hz);
  // Playback rate in Hz for the pitch, bend and switch; stored in Info.Rate.
  int32_t ComputeRate();

  TVyBendMode BendMode = bmNone;
  int32_t Bend = 0;
  int32_t PitchStep = 0;
  uint32_t BendSteps = 0;
  uint32_t Elapsed = 0;  // ms not yet consumed by steps
  int32_t Dirty = 1;
  int32_t Range = 1600;
  int32_t DeadZone = 53;
  int32_t BendIncrement = 50;
  int32_t BendLimit = 500;
  uint32_t BendInterval = 175;  // ms
  uint32_t StepInterval = 160;  // ms
  uint32_t BaseRate = 44100;
  TVyFaderBlock Fader = {1653, -1653, 103, 1, 0};
  TVyPitchInfo Info = {1, 0, 0, 0, {}};  // pitch on, pitch, fader value, rate, text

 private:
  void SetPitch(int64_t pitch);  // clamped to the range; fader value follows
  void StartTiming(uint32_t interval);
  uint32_t TakeElapsedMs();
  void TakeBendStep();

  TVyCounter counter_;
  int64_t ticksPerMs_;
  int64_t lastCounter_ = 0;
};
