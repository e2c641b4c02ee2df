#include "platform/rubberband/PitchShifter.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>
#include <cmath>
#include <vector>

using RubberBand::RubberBandStretcher;

namespace {
// The pitch follows a fader and bends, so it must glide without clicks; the
// two channels stay together so the stereo image does not widen.
constexpr RubberBandStretcher::Options kCommon = RubberBandStretcher::OptionProcessRealTime |
                                                 RubberBandStretcher::OptionPitchHighConsistency |
                                                 RubberBandStretcher::OptionChannelsTogether;
// "fast" is the finer engine with its short window: half the cost of the long
// window and heard in half the time. The older engine costs a quarter less
// again, but leaves spurs at -20 dB on a shifted tone where this one keeps
// them below -60 dB (bench/KeylockBench.cpp).
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
// Its delay is then measured across the deck's range (see MeasureDelay).
PitchShifter::PitchShifter(uint32_t rate, Engine engine, uint32_t maxBlock, double minScale, double maxScale)
    : engine_(engine), stretcher_(std::make_unique<RubberBandStretcher>(rate, 2, EngineOptions(engine))) {
  stretcher_->setMaxProcessSize(maxBlock);
  for (double scale : {minScale / kBeyondRange, maxScale * kBeyondRange, minScale / kBeyondRange, 1.0})
    Exercise(scale, maxBlock);
  MeasureDelays(rate, maxBlock, minScale, maxScale);
  stretcher_->reset();
}

// Every shifter built alike has the same delays: they are measured once.
void PitchShifter::MeasureDelays(uint32_t rate, uint32_t maxBlock, double minScale, double maxScale) {
  using Key = std::tuple<uint32_t, Engine, uint32_t, double, double>;
  static std::mutex lock;
  static std::map<Key, std::array<double, kDelayPoints>> measured;
  const Key key{rate, engine_, maxBlock, minScale, maxScale};
  std::lock_guard<std::mutex> guard(lock);
  auto found = measured.find(key);
  if (found == measured.end()) {
    std::array<double, kDelayPoints> delays;
    for (int point = 0; point < kDelayPoints; ++point) delays[size_t(point)] = MeasureDelay(DelayPointScale(point), maxBlock);
    found = measured.emplace(key, delays).first;
  }
  delays_ = found->second;
}

// Enough blocks of silence at `scale` for the library to run every stage.
void PitchShifter::Exercise(double scale, uint32_t maxBlock) {
  stretcher_->setPitchScale(Stepped(scale));
  const std::vector<float> silence(maxBlock);
  std::vector<float> left(maxBlock), right(maxBlock);
  const float* const input[2] = {silence.data(), silence.data()};
  float* const output[2] = {left.data(), right.data()};
  const size_t needed = stretcher_->getSamplesRequired() + 2 * maxBlock;
  for (size_t fed = 0; fed < needed; fed += maxBlock) {
    stretcher_->process(input, maxBlock, false);
    while (stretcher_->available() > 0)
      stretcher_->retrieve(output, std::min<size_t>(maxBlock, size_t(stretcher_->available())));
  }
}

double PitchShifter::DelayPointScale(int point) {
  return kLowestMeasured * std::pow(kHighestMeasured / kLowestMeasured, double(point) / (kDelayPoints - 1));
}

// The library's own figure for its delay is off by up to a few ms, by an
// amount that changes with the shift (and grows with the buffers sized
// above). So it is measured: after the padding, a click goes in a while
// into the run, and where it comes out tells the output frames to drop.
double PitchShifter::MeasureDelay(double scale, uint32_t maxBlock) {
  stretcher_->reset();
  stretcher_->setPitchScale(Stepped(scale));
  const size_t pad = stretcher_->getPreferredStartPad();
  const size_t fed = pad + kClickAt + stretcher_->getStartDelay() + 4 * maxBlock;
  std::vector<float> input(fed + maxBlock), left(maxBlock), right(maxBlock), heard;
  input[pad + kClickAt] = 1.0f;
  float* const output[2] = {left.data(), right.data()};
  for (size_t at = 0; at < fed; at += maxBlock) {
    const float* const block[2] = {input.data() + at, input.data() + at};
    stretcher_->process(block, maxBlock, false);
    while (stretcher_->available() > 0) {
      const size_t n = stretcher_->retrieve(output, std::min<size_t>(maxBlock, size_t(stretcher_->available())));
      heard.insert(heard.end(), left.begin(), left.begin() + long(n));
    }
  }
  const auto loudest = std::max_element(heard.begin(), heard.end(), [](float a, float b) { return std::abs(a) < std::abs(b); });
  const size_t peak = size_t(loudest - heard.begin());
  return peak >= kClickAt ? double(peak - kClickAt) : double(stretcher_->getStartDelay());
}

PitchShifter::~PitchShifter() = default;

void PitchShifter::Reset() { stretcher_->reset(); }

void PitchShifter::SetPitchScale(double scale) {
  scale = Stepped(scale);
  if (scale != stretcher_->getPitchScale()) stretcher_->setPitchScale(scale);
}

uint32_t PitchShifter::StartPad() const { return uint32_t(stretcher_->getPreferredStartPad()); }
// Between the measured shifts, the delay is taken on the straight line; beyond
// them, the nearest one's.
uint32_t PitchShifter::StartDelay() const { return uint32_t(std::lround(DelayAt(stretcher_->getPitchScale()))); }

double PitchShifter::Scale() const { return stretcher_->getPitchScale(); }

double PitchShifter::DelayAt(double scale) const {
  const double place = std::log(scale / kLowestMeasured) / std::log(kHighestMeasured / kLowestMeasured) * (kDelayPoints - 1);
  const double clamped = std::clamp(place, 0.0, double(kDelayPoints - 1));
  const int below = std::min(int(clamped), kDelayPoints - 2);
  const double part = clamped - below;
  return delays_[size_t(below)] * (1 - part) + delays_[size_t(below) + 1] * part;
}
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
