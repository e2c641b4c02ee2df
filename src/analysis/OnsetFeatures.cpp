#include "analysis/OnsetFeatures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
// Onsets need neither the highs nor the full rate: about 11 kHz keeps the
// hi-hats' body for the flux and costs a quarter of 44.1 kHz.
constexpr unsigned kAnalysisRate = 11025;
// Kick drums sit below this; bass lines reach it too, but rise softly.
constexpr double kKickCutoffHz = 120;
// About 1.5 ms per energy value at 11 kHz: fine enough to place a beat to
// a few milliseconds before any fitting.
constexpr unsigned kKickHop = 16;
// Each energy value spans this much: a whole period of the lowest bass
// notes, whose energy over a shorter stretch would ripple like onsets.
constexpr double kKickWindowSeconds = 0.02;
// The flux only serves tracks without a kick, and the fit over the whole
// track places beats far finer than its hop of 23 ms.
constexpr unsigned kFluxWindow = 512;
constexpr unsigned kFluxHop = 256;
constexpr double kSampleScale = 1.0 / 32768;
}  // namespace

TOnsetFeatures::TOnsetFeatures(unsigned rate, uint64_t expectedFrames)
    : decimation_(std::max(1u, rate / kAnalysisRate)),
      analysisRate_(double(rate) / decimation_),
      squares_(size_t(kKickWindowSeconds * analysisRate_)),
      bandFlux_(kFluxWindow, kFluxHop) {
  // RBJ cookbook low-pass, Butterworth Q.
  const double w = 2 * std::numbers::pi * kKickCutoffHz / analysisRate_;
  const double alpha = std::sin(w) / (2 * std::numbers::sqrt2 / 2);
  const double a0 = 1 + alpha;
  b0_ = (1 - std::cos(w)) / 2 / a0, b1_ = (1 - std::cos(w)) / a0, b2_ = b0_;
  a1_ = -2 * std::cos(w) / a0, a2_ = (1 - alpha) / a0;
  const uint64_t analysisSamples = expectedFrames / decimation_;
  kickEnergy_.reserve(analysisSamples / kKickHop + 1);
  flux_.reserve(analysisSamples / kFluxHop + 1);
  fluxHop_.reserve(kFluxHop);
}

double TOnsetFeatures::KickRate() const { return analysisRate_ / kKickHop; }
double TOnsetFeatures::FluxRate() const { return analysisRate_ / kFluxHop; }

void TOnsetFeatures::Add(const int16_t* frames, size_t count, unsigned channels) {
  const float scale = float(kSampleScale / (channels * decimation_));
  for (size_t i = 0; i < count; ++i) {
    int mono = 0;
    for (unsigned c = 0; c < channels; ++c) mono += frames[i * channels + c];
    decimationSum_ += float(mono);
    if (++decimated_ < decimation_) continue;
    // The mean of each group: a rough anti-alias filter, enough for energies.
    AddAnalysisSample(decimationSum_ * scale);
    decimationSum_ = 0, decimated_ = 0;
  }
}

void TOnsetFeatures::AddAnalysisSample(float sample) {
  const float low = LowPass(sample);
  windowEnergy_ += double(low) * low - squares_[squareAt_];
  squares_[squareAt_] = low * low;
  if (++squareAt_ == squares_.size()) squareAt_ = 0;
  if (++hopFill_ == kKickHop) {
    kickEnergy_.push_back(float(std::max(0.0, windowEnergy_)));
    hopFill_ = 0;
  }
  fluxHop_.push_back(sample);
  if (fluxHop_.size() == kFluxHop) {
    flux_.push_back(bandFlux_.Next(fluxHop_.data()));
    fluxHop_.clear();
  }
}

float TOnsetFeatures::LowPass(float sample) {
  const double y = b0_ * sample + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_, x1_ = sample, y2_ = y1_, y1_ = y;
  return float(y);
}
