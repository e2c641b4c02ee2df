// The band-limited interpolation kernel of the mixer: a Kaiser-windowed sinc.
#pragma once
#include <vector>

class SincKernel {
 public:
  // 64 taps keep the passband flat to 80 % of the source's Nyquist frequency
  // and every image at least 118 dB down (cutoff at 95 %, Kaiser beta 12).
  static constexpr int kHalfTaps = 32;
  static constexpr int kTaps = 2 * kHalfTaps;
  // Phases between two source frames; linear interpolation between phases
  // keeps its error below -118 dB.
  static constexpr int kPhases = 256;

  // Built on first use, which must not be on the audio thread.
  static const SincKernel& Instance();

  // Weights of the source frames i-31 .. i+32 for the position i + frac (0 <= frac < 1).
  void PhaseWeights(float frac, float* weights) const;

  // Kernel value at a distance of x source frames; 0 from kHalfTaps on.
  float At(float x) const;

 private:
  SincKernel();
  std::vector<float> samples_;  // h(k / kPhases) for k = 0 .. kHalfTaps * kPhases + 1
  std::vector<float> phases_;   // (kPhases + 1) rows of kTaps weights
};
