#include "platform/ebur128/LoudnessMeter.h"

#include <ebur128.h>

#include <cmath>

struct TLoudnessMeterState {
  ebur128_state* meter;
};

TLoudnessMeter::TLoudnessMeter(unsigned channels, unsigned rate) {
  ebur128_state* meter = ebur128_init(channels, rate, EBUR128_MODE_I);
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
