// The timing of the audible search: when the next step is due and where it
// goes, for a search in fixed steps or an accelerating one. Time comes from
// an injected counter, so the schedule can be driven exactly.
#pragma once
#include <cstdint>

#include "foundation/OzoCounter.h"

enum TVyScanMode : uint8_t { smNone = 0, smStep = 1, smForward = 2, smBackward = 3 };

class TVyScanTAG {
 public:
  explicit TVyScanTAG(TVyCounter counter = SystemCounter()) : counter_(std::move(counter)) {}
  void SetCounter(TVyCounter counter) { counter_ = std::move(counter); }

  // A fresh search takes its first step one interval after the press; one
  // that replaces another steps at the next look.
  void StartStep(int32_t stepMs, bool fresh);
  void StartForward(bool fresh) { StartAccelerating(smForward, fresh); }
  void StartBackward(bool fresh) { StartAccelerating(smBackward, fresh); }
  void Stop() { mode_ = smNone; }
  TVyScanMode Mode() const { return mode_; }

  // Where the search moves from `positionMs` now: at most one step per call,
  // never before 0. -1 when no step is due, or when the step stays within the
  // same ten milliseconds (not worth a restart).
  int64_t Next(int64_t positionMs);

  // The schedule: an accelerating search steps 10 ms every 200 ms, and every
  // fifth step halves the interval and doubles the step, up to 1431 ms.
  uint32_t StartStepMs = 10;
  uint32_t StepMultiplier = 2;
  uint32_t IntervalMs = 200;
  uint32_t IntervalDivisor = 2;
  uint32_t MinIntervalMs = 1;
  uint32_t StepsPerAcceleration = 5;
  uint32_t MaxStepMs = 1431;
  uint32_t FixedStepIntervalMs = 150;

 private:
  void StartAccelerating(TVyScanMode mode, bool fresh);
  void Restart(TVyScanMode mode, bool fresh);
  int64_t Due(int64_t positionMs, int64_t targetMs) const;
  void Accelerate();

  TVyCounter counter_;
  TVyScanMode mode_ = smNone;
  int32_t step_ = 0;
  uint32_t stepsTaken_ = 0;
  uint32_t accumulator_ = 0;  // ms not yet spent on steps; a step is taken only when it exceeds the interval
  uint32_t currentInterval_ = 0;
  int64_t lastCounter_ = 0;
};
