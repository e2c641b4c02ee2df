#include "deck/VyPitch.h"

#include <algorithm>

namespace {
struct TRangeSpec {
  int32_t range;
  int32_t deadZone;
};
// Largest pitch and fader dead zone per range; the top range stops at 19.99 %
// so that its text fits the display's two digits.
constexpr TRangeSpec kRanges[] = {{800, 26}, {1600, 53}, {1999, 66}};
// Caps the slider's step count at 18 per side for the top range.
constexpr int32_t kIncrementRangeCap = 1850;
// Pitch in hundredths of a per cent against the base rate.
constexpr int64_t kPitchScale = 10000;
}  // namespace

TVyPitchTAG::TVyPitchTAG(TVyCounter counter)
    : TOzoSync(llPitch), counter_(std::move(counter)), ticksPerMs_(counter_.TicksPerMs()) {}

void TVyPitchTAG::SetRange(TVyPitchRange range) {
  TOzoSyncGuard lock(*this);
  if (range > pr20) return;
  Range = kRanges[range].range;
  DeadZone = kRanges[range].deadZone;
  int32_t faderMax = Range + DeadZone;
  int32_t stepsPerSide = std::min(Range, kIncrementRangeCap) / 100;
  Fader = {faderMax, -faderMax, (2 * faderMax) / (2 * stepsPerSide), 1, 0};
  SetPitch(Info.Pitch);
}

void TVyPitchTAG::SetFader(int faderValue) {
  TOzoSyncGuard lock(*this);
  if (faderValue >= -DeadZone && faderValue <= DeadZone) {
    Info.Pitch = 0;
    Info.FaderValue = faderValue;
  } else {
    int32_t v = std::clamp(faderValue, Fader.Minimum, Fader.Maximum);
    // The fader's maximum end is the slow end.
    Info.Pitch = v > 0 ? DeadZone - v : -v - DeadZone;
    Info.FaderValue = v;
  }
  Dirty = 1;
}

void TVyPitchTAG::Nudge(int delta) {
  TOzoSyncGuard lock(*this);
  SetPitch(int64_t(Info.Pitch) + delta);
}

void TVyPitchTAG::TogglePitch() {
  TOzoSyncGuard lock(*this);
  Info.PitchOn = !Info.PitchOn;
  Dirty = 1;
}

void TVyPitchTAG::BeginBend(int direction, int modifiers) {
  TOzoSyncGuard lock(*this);
  int sign = direction >= 0 ? 1 : -1;
  BendSteps = 0;
  switch (modifiers & ~kModAlt) {
    case kModShift:
      PitchStep = sign;
      break;
    case kModCtrl:
      PitchStep = sign * 10;
      break;
    case kModShift | kModCtrl:
      PitchStep = sign * 100;
      break;
    default:
      BendMode = sign > 0 ? bmFaster : bmSlower;
      StartTiming(BendInterval);
      return;
  }
  Bend = 0;
  BendMode = bmStep;
  StartTiming(StepInterval);
}

void TVyPitchTAG::EndBend() {
  TOzoSyncGuard lock(*this);
  Bend = 0;
  BendMode = bmNone;
  Dirty = 1;
}

void TVyPitchTAG::BendTick() {
  TOzoSyncGuard lock(*this);
  if (BendMode == bmNone) return;
  Elapsed += TakeElapsedMs();
  if (BendMode == bmStep) {
    if (Elapsed <= StepInterval) return;
    Elapsed -= StepInterval;
    SetPitch(int64_t(Info.Pitch) + PitchStep);  // stays after the release
  } else if (Elapsed > BendInterval) {
    Elapsed -= BendInterval;
    TakeBendStep();
  }
}

void TVyPitchTAG::SetBaseRate(unsigned hz) {
  TOzoSyncGuard lock(*this);
  BaseRate = hz;
}

int32_t TVyPitchTAG::ComputeRate() {
  TOzoSyncGuard lock(*this);
  if (!Info.PitchOn) {
    Info.Rate = int32_t(BaseRate);
  } else {
    // Exact integer form of trunc(base + (pitch + bend) / 10000 x base); the
    // sum stays positive because pitch plus bend never reach -100 %.
    int64_t percent = kPitchScale + int64_t(Info.Pitch) + Bend;
    Info.Rate = int32_t(percent * BaseRate / kPitchScale);
  }
  return Info.Rate;
}

void TVyPitchTAG::SetPitch(int64_t pitch) {
  Info.Pitch = int32_t(std::clamp<int64_t>(pitch, -Range, Range));
  if (Info.Pitch == 0)
    Info.FaderValue = 0;
  else
    Info.FaderValue = Info.Pitch > 0 ? -Info.Pitch - DeadZone : -Info.Pitch + DeadZone;
  Dirty = 1;
}

// The first step falls on the next tick: the accumulator starts one past the interval.
void TVyPitchTAG::StartTiming(uint32_t interval) {
  Elapsed = interval + 1;
  lastCounter_ = counter_.Now();
}

// Whole ms since the last tick; the fraction of a ms carries into the next
// tick, so a 20 ms cycle does not lose time to truncation.
uint32_t TVyPitchTAG::TakeElapsedMs() {
  int64_t ms = (counter_.Now() - lastCounter_) / ticksPerMs_;
  lastCounter_ += ms * ticksPerMs_;
  return uint32_t(std::max<int64_t>(0, ms));
}

void TVyPitchTAG::TakeBendStep() {
  BendSteps += 1;
  int64_t bend = std::min<int64_t>(int64_t(BendIncrement) * BendSteps, BendLimit);
  Bend = int32_t(BendMode == bmSlower ? -bend : bend);
  Dirty = 1;
}
