// Float frames to what the sound buffers take: 16-bit PCM, at most stereo.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/sndfile/SoundFile.h"

// Gains of a stereo mix-down: centre and surrounds at -3 dB, the LFE left
// out, the whole scaled so that full scale on every channel cannot clip.
struct TStereoMix {
  float left[kMaxSoundFileChannels] = {};
  float right[kMaxSoundFileChannels] = {};
};
TStereoMix MakeStereoMix(const TSpeaker* speakers, uint32_t channels);

// frames frames of `channels` interleaved samples to interleaved stereo.
void MixToStereo(const TStereoMix& mix, const float* in, uint32_t channels, size_t frames, float* out);

// Triangular (TPDF) dither of +-1 LSB from a fixed seed, so that a decode is
// repeatable.
class TTpdfDither {
 public:
  float Next() {
    // Two uniform values in [0, 1) of 1 LSB each; their difference is triangular.
    return float(Step() >> 8) * kScale - float(Step() >> 8) * kScale;
  }

 private:
  static constexpr float kScale = 1.0f / 16777216.0f;
  uint32_t Step() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  uint32_t state_ = 0x9E3779B9u;
};

// count samples in [-1, 1] to 16-bit PCM. A run whose samples all lie on the
// 16-bit grid (a 16-bit source in a wider container) is copied exactly; any
// other is requantised with the dither.
void FloatToPcm16(const float* in, size_t count, int16_t* out, TTpdfDither& dither);
