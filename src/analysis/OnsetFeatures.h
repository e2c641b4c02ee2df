// What the beat grid is found from, gathered while a track decodes: the
// signal downmixed and down-sampled to about 11 kHz, then the energy of its
// low band (the kick drum) in short hops, and the broad-band spectral flux
// (on aubio's transform) for tracks without a kick.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/aubio/FluxOfBands.h"

class TOnsetFeatures {
 public:
  TOnsetFeatures(unsigned rate, uint64_t expectedFrames);
  // Interleaved 16-bit frames of `channels` channels.
  void Add(const int16_t* frames, size_t count, unsigned channels);

  // Low-band energy per hop, KickRate() values a second.
  const std::vector<float>& KickEnergy() const { return kickEnergy_; }
  double KickRate() const;
  // Spectral flux per hop, FluxRate() values a second.
  const std::vector<float>& Flux() const { return flux_; }
  double FluxRate() const;

 private:
  void AddAnalysisSample(float sample);
  float LowPass(float sample);

  unsigned decimation_;
  double analysisRate_;
  // The running sums of the down-sampling and of the hops.
  float decimationSum_ = 0;
  unsigned decimated_ = 0;
  unsigned hopFill_ = 0;
  // The low band's squares over the energy window, and their sum.
  std::vector<float> squares_;
  size_t squareAt_ = 0;
  double windowEnergy_ = 0;
  // Biquad low-pass state and coefficients.
  double b0_ = 0, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;

  TFluxOfBands bandFlux_;
  std::vector<float> fluxHop_;
  std::vector<float> kickEnergy_;
  std::vector<float> flux_;
};
