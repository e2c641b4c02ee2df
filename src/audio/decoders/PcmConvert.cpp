#include "audio/decoders/PcmConvert.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kMinus3dB = 0.70710678f;
constexpr float kFullScale = 32768.0f;
}  // namespace

TStereoMix MakeStereoMix(const TSpeaker* speakers, uint32_t channels) {
  TStereoMix mix;
  float sumLeft = 0, sumRight = 0;
  for (uint32_t i = 0; i < channels && i < kMaxSoundFileChannels; ++i) {
    float& l = mix.left[i];
    float& r = mix.right[i];
    switch (speakers[i]) {
      case spLeft:
        l = 1;
        break;
      case spRight:
        r = 1;
        break;
      case spCentre:
      case spOther:
        l = r = kMinus3dB;
        break;
      case spSurroundLeft:
        l = kMinus3dB;
        break;
      case spSurroundRight:
        r = kMinus3dB;
        break;
      case spLfe:
        break;
    }
    sumLeft += l;
    sumRight += r;
  }
  const float top = std::max(sumLeft, sumRight);
  if (top > 1) {
    for (uint32_t i = 0; i < channels && i < kMaxSoundFileChannels; ++i) {
      mix.left[i] /= top;
      mix.right[i] /= top;
    }
  }
  return mix;
}

void MixToStereo(const TStereoMix& mix, const float* in, uint32_t channels, size_t frames, float* out) {
  for (size_t f = 0; f < frames; ++f, in += channels, out += 2) {
    float l = 0, r = 0;
    for (uint32_t c = 0; c < channels; ++c) {
      l += mix.left[c] * in[c];
      r += mix.right[c] * in[c];
    }
    out[0] = l;
    out[1] = r;
  }
}

void FloatToPcm16(const float* in, size_t count, int16_t* out, TTpdfDither& dither) {
  bool onGrid = true;
  for (size_t i = 0; i < count && onGrid; ++i) {
    const float v = in[i] * kFullScale;
    onGrid = v == std::nearbyint(v) && v >= -kFullScale && v < kFullScale;
  }
  if (onGrid) {
    for (size_t i = 0; i < count; ++i) out[i] = int16_t(in[i] * kFullScale);
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    const float v = std::nearbyint(in[i] * kFullScale + dither.Next());
    out[i] = int16_t(std::clamp(v, -kFullScale, kFullScale - 1));
  }
}
