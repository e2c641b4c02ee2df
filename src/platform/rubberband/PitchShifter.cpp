#include "platform/rubberband/PitchShifter.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>

using RubberBand::RubberBandStretcher;

namespace {
// The pitch follows a fader and bends, so it must glide without clicks; the
// two channels stay together so the stereo image does not widen.
constexpr RubberBandStretcher::Options kCommon = RubberBandStretcher::OptionProcessRealTime |
                                                 RubberBandStretcher::OptionPitchHighConsistency |
                                                 RubberBandStretcher::OptionChannelsTogether;
// "fast" is the finer engine with its short window: at about the cost of the
// older engine it keeps transients cleaner and answers in half the time of
// the long window (measured in bench/KeylockBench.cpp).
RubberBandStretcher::Options EngineOptions(PitchShifter::Engine engine) {
  if (engine == PitchShifter::Engine::kFine) return kCommon | RubberBandStretcher::OptionEngineFiner;
  return kCommon | RubberBandStretcher::OptionEngineFiner | RubberBandStretcher::OptionWindowShort;
}
}  // namespace

PitchShifter::PitchShifter(uint32_t rate, Engine engine, uint32_t maxBlock)
    : engine_(engine), stretcher_(std::make_unique<RubberBandStretcher>(rate, 2, EngineOptions(engine))) {
  stretcher_->setMaxProcessSize(maxBlock);
}

PitchShifter::~PitchShifter() = default;

void PitchShifter::Reset() { stretcher_->reset(); }

void PitchShifter::SetPitchScale(double scale) {
  if (scale != stretcher_->getPitchScale()) stretcher_->setPitchScale(scale);
}

uint32_t PitchShifter::StartPad() const { return uint32_t(stretcher_->getPreferredStartPad()); }
uint32_t PitchShifter::StartDelay() const { return uint32_t(stretcher_->getStartDelay()); }
uint32_t PitchShifter::FramesWanted() const { return uint32_t(stretcher_->getSamplesRequired()); }

void PitchShifter::Feed(const float* left, const float* right, uint32_t frames) {
  const float* const input[2] = {left, right};
  stretcher_->process(input, frames, false);
}

uint32_t PitchShifter::Ready() const { return uint32_t(std::max(0, stretcher_->available())); }

uint32_t PitchShifter::Take(float* left, float* right, uint32_t frames) {
  float* const output[2] = {left, right};
  return uint32_t(stretcher_->retrieve(output, frames));
}
