// Spectral flux of a mono signal, one value per hop: how much the spectrum's
// magnitudes grew since the hop before, the onset function of broad-band
// attacks (drums of every kind). The transform is aubio's; nothing else in
// the program includes it.
#pragma once
#include <vector>

struct TFluxOfBandsState;

class TFluxOfBands {
 public:
  // window and hop in samples; hop divides window. Ready() is false when
  // the library refuses the window.
  TFluxOfBands(unsigned window, unsigned hop);
  ~TFluxOfBands();
  TFluxOfBands(const TFluxOfBands&) = delete;
  TFluxOfBands& operator=(const TFluxOfBands&) = delete;

  bool Ready() const { return state_ != nullptr; }
  unsigned Hop() const { return hop_; }
  // The flux once the next Hop() samples have entered the window.
  float Next(const float* samples);

 private:
  TFluxOfBandsState* state_ = nullptr;
  unsigned window_ = 0, hop_ = 0;
  std::vector<float> taper_;       // Hann window
  std::vector<float> history_;     // the newest `window_` samples
  std::vector<float> magnitudes_;  // of the hop before, one a bin
};
