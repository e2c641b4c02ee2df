#include "deck/VyScan.h"

#include <algorithm>

void TVyScanTAG::Restart(TVyScanMode mode, bool fresh) {
  mode_ = mode;
  accumulator_ = fresh ? 0 : IntervalMs + 1;
  lastCounter_ = counter_.Now();
}

void TVyScanTAG::StartStep(int32_t stepMs, bool fresh) {
  Restart(smStep, fresh);
  step_ = stepMs;
}

void TVyScanTAG::StartAccelerating(TVyScanMode mode, bool fresh) {
  Restart(mode, fresh);
  step_ = int32_t(StartStepMs);
  stepsTaken_ = 0;
  currentInterval_ = IntervalMs;
}

int64_t TVyScanTAG::Next(int64_t positionMs) {
  if (mode_ == smNone) return -1;
  const int64_t now = counter_.Now();
  accumulator_ += uint32_t((now - lastCounter_) / counter_.TicksPerMs());
  lastCounter_ = now;
  if (mode_ == smStep) {
    if (accumulator_ <= FixedStepIntervalMs) return -1;
    accumulator_ -= FixedStepIntervalMs;
    return Due(positionMs, positionMs + step_);
  }
  if (accumulator_ <= currentInterval_) return -1;
  accumulator_ -= currentInterval_;
  const int64_t target = Due(positionMs, mode_ == smForward ? positionMs + step_ : positionMs - step_);
  if (++stepsTaken_ >= StepsPerAcceleration) Accelerate();
  return target;
}

int64_t TVyScanTAG::Due(int64_t positionMs, int64_t targetMs) const {
  targetMs = std::max<int64_t>(targetMs, 0);
  return targetMs / 10 != positionMs / 10 ? targetMs : -1;
}

void TVyScanTAG::Accelerate() {
  currentInterval_ = std::max(currentInterval_ / IntervalDivisor, MinIntervalMs);
  step_ = int32_t(std::min(uint32_t(step_) * StepMultiplier, MaxStepMs));
  stepsTaken_ = 0;
}
