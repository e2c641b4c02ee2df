#include "platform/ebur128/LoudnessMeter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

struct TLoudnessMeterState {
  ebur128_state* meter;
};

TLoudnessMeter::TLoudnessMeter(unsigned channels, unsigned rate) : channels_(channels) {
  ebur128_state* meter = ebur128_init(channels, rate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
  if (meter) state_ = new TLoudnessMeterState{meter};
}

TLoudnessMeter::~TLoudnessMeter() {
  if (!state_) return;
  ebur128_destroy(&state_->meter);
  delete state_;
}

void TLoudnessMeter::Add(const int16_t* frames, size_t count) {
  if (state_) ebur128_add_frames_short(state_->meter, frames, count);
}

double TLoudnessMeter::IntegratedLufs() const {
  double lufs = -HUGE_VAL;
  if (state_ && ebur128_loudness_global(state_->meter, &lufs) != EBUR128_SUCCESS) return -HUGE_VAL;
  return lufs;
}

double TLoudnessMeter::TruePeakDb() const {
  double peak = 0;
  for (unsigned channel = 0; state_ && channel < channels_; ++channel) {
    double channelPeak = 0;
    if (ebur128_true_peak(state_->meter, channel, &channelPeak) == EBUR128_SUCCESS) peak = std::max(peak, channelPeak);
  }
  return peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
}
