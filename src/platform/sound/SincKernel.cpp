#include "platform/sound/SincKernel.h"

#include <cmath>

namespace {
constexpr double kCutoff = 0.95;  // of the source Nyquist frequency
constexpr double kBeta = 12.0;

double BesselI0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 50; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
  }
  return sum;
}

double Kernel(double x) {
  const double w = SincKernel::kHalfTaps;
  if (std::fabs(x) >= w) return 0;
  double t = kCutoff * x;
  double sinc = t == 0 ? 1 : std::sin(M_PI * t) / (M_PI * t);
  double window = BesselI0(kBeta * std::sqrt(1 - (x / w) * (x / w))) / BesselI0(kBeta);
  return kCutoff * sinc * window;
}
}  // namespace

const SincKernel& SincKernel::Instance() {
  static const SincKernel kernel;
  return kernel;
}

SincKernel::SincKernel() {
  samples_.resize(size_t(kHalfTaps * kPhases + 2));
  for (size_t k = 0; k < samples_.size(); ++k) samples_[k] = float(Kernel(double(k) / kPhases));
  phases_.resize(size_t((kPhases + 1) * kTaps));
  for (int p = 0; p <= kPhases; ++p)
    for (int j = 0; j < kTaps; ++j)
      phases_[size_t(p * kTaps + j)] = float(Kernel(j - kHalfTaps + 1 - double(p) / kPhases));
}

void SincKernel::PhaseWeights(float frac, float* weights) const {
  float phase = frac * kPhases;
  int p = int(phase);
  float t = phase - float(p);
  const float* lower = &phases_[size_t(p * kTaps)];
  const float* upper = lower + kTaps;
  for (int j = 0; j < kTaps; ++j) weights[j] = lower[j] + t * (upper[j] - lower[j]);
}

float SincKernel::At(float x) const {
  float scaled = std::fabs(x) * kPhases;
  if (scaled >= float(kHalfTaps * kPhases)) return 0;
  int k = int(scaled);
  float t = scaled - float(k);
  return samples_[size_t(k)] + t * (samples_[size_t(k + 1)] - samples_[size_t(k)]);
}
