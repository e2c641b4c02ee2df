#include "platform/rubberband/PitchShifter.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <vector>

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
// The library's resampler turns every new ratio into a fraction, and one
// with large terms makes it allocate. Shifts that are multiples of 1/4096
// keep the terms small; the step is a third of a cent at most.
constexpr double kScaleSteps = 4096;
// The extremes are played a little beyond the range, so that every buffer
// sized by a ratio is as large as any ratio in the range needs.
constexpr double kBeyondRange = 1.05;

double Stepped(double scale) { return std::round(scale * kScaleSteps) / kScaleSteps; }
}  // namespace

// The library sizes some buffers by the shifts it meets, in two sets that
// take turns at each change: the extremes are played through here, one after
// the other, so that no later shift makes it allocate on the audio thread.
PitchShifter::PitchShifter(uint32_t rate, Engine engine, uint32_t maxBlock, double minScale, double maxScale)
    : engine_(engine), stretcher_(std::make_unique<RubberBandStretcher>(rate, 2, EngineOptions(engine))) {
  stretcher_->setMaxProcessSize(maxBlock);
  for (double scale : {minScale / kBeyondRange, maxScale * kBeyondRange, minScale / kBeyondRange, 1.0})
    Exercise(scale, maxBlock);
  stretcher_->reset();
}

// Enough blocks of silence at `scale` for the library to run every stage.
void PitchShifter::Exercise(double scale, uint32_t maxBlock) {
  stretcher_->setPitchScale(Stepped(scale));
  const std::vector<float> silence(maxBlock);
  std::vector<float> left(maxBlock), right(maxBlock);
  const float* const input[2] = {silence.data(), silence.data()};
  float* const output[2] = {left.data(), right.data()};
  const size_t needed = stretcher_->getPreferredStartPad() + stretcher_->getStartDelay() + 4 * maxBlock;
  for (size_t fed = 0; fed < needed; fed += maxBlock) {
    stretcher_->process(input, maxBlock, false);
    while (stretcher_->available() > 0)
      stretcher_->retrieve(output, std::min<size_t>(maxBlock, size_t(stretcher_->available())));
  }
}

PitchShifter::~PitchShifter() = default;

void PitchShifter::Reset() { stretcher_->reset(); }

void PitchShifter::SetPitchScale(double scale) {
  scale = Stepped(scale);
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
