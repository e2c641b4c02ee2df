#include "platform/aubio/FluxOfBands.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/aubio/FftLibrary.h"

struct TFluxOfBandsState {
  aubio_fft_t* transform;
  fvec_t* input;
  fvec_t* spectrum;  // real parts 0..N/2, then imaginary parts N/2-1..1
};

TFluxOfBands::TFluxOfBands(unsigned window, unsigned hop)
    : window_(window), hop_(hop), taper_(window), history_(window), magnitudes_(window / 2 + 1) {
  if (!AcquireFftLibrary()) return;
  aubio_fft_t* transform = new_aubio_fft(window);
  if (!transform) {
    ReleaseFftLibrary();
    return;
  }
  state_ = new TFluxOfBandsState{transform, new_fvec(window), new_fvec(window)};
  for (unsigned i = 0; i < window; ++i) taper_[i] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / window));
}

TFluxOfBands::~TFluxOfBands() {
  if (!state_) return;
  del_aubio_fft(state_->transform);
  del_fvec(state_->input);
  del_fvec(state_->spectrum);
  delete state_;
  ReleaseFftLibrary();
}

// Magnitudes without phases: the library's own spectrum form computes both,
// and the phases' arc tangents would cost more than the transform.
float TFluxOfBands::Next(const float* samples) {
  if (!state_) return 0;
  std::copy(history_.begin() + hop_, history_.end(), history_.begin());
  std::copy(samples, samples + hop_, history_.end() - hop_);
  for (unsigned i = 0; i < window_; ++i) state_->input->data[i] = history_[i] * taper_[i];
  aubio_fft_do_complex(state_->transform, state_->input, state_->spectrum);
  const float* bins = state_->spectrum->data;
  float flux = 0;
  for (unsigned k = 0; k <= window_ / 2; ++k) {
    const float imaginary = k == 0 || k == window_ / 2 ? 0.0f : bins[window_ - k];
    const float magnitude = std::sqrt(bins[k] * bins[k] + imaginary * imaginary);
    flux += std::max(0.0f, magnitude - magnitudes_[k]);
    magnitudes_[k] = magnitude;
  }
  return flux;
}
