// The band-limited interpolation kernel of the mixer: a Kaiser-windowed sinc.
#pragma once
#include <cstddef>
#include <cstdint>
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
  // Widened at most 32 times, for sources up to 32 times the device rate.
  static constexpr int kMaxHalfTaps = 32 * kHalfTaps;

  // kFastest takes AVX2 and FMA where the processor has them; kPortable is
  // plain C++, the reference the fast code is tested against.
  enum class Path { kFastest, kPortable };

  // Built on first use, which must not be on the audio thread.
  static const SincKernel& Instance();
  explicit SincKernel(Path path = Path::kFastest);

  // Both sides at `count` positions, `step` apart from `position` on, in 32.32
  // fixed-point frames: at n + f the kernel reads the source frames at
  // left[n .. n + 63] and right[n .. n + 63], the position lying between the
  // 32nd and the 33rd. Writes interleaved stereo to out[0 .. 2 * count - 1].
  void Resample(const float* left, const float* right, uint64_t position, uint64_t step, int count, float* out) const {
    resample_(phases_.data(), left, right, position, step, count, out);
  }

  // As Resample, through the kernel widened by step / 2^32 > 1 to 2 * halfTaps
  // taps, which lowers its cutoff as much: at n + f it reads left[n .. n +
  // 2 * halfTaps - 1], the position lying between the halfTaps-th and the next.
  void ResampleWide(const float* left, const float* right, uint64_t position, uint64_t step, int halfTaps, int count,
                    float* out) const {
    resampleWide_(samples_.data(), left, right, position, step, halfTaps, count, out);
  }

  // Kernel value at a distance of x source frames; 0 from kHalfTaps on.
  float At(float x) const;

  // The weights of one phase; those between phases p and p + 1 are
  // p + t * (p + 1 - p). The steps come from the next phase rather than being
  // stored beside each: a period's mix reads the whole table, and at 66 KB
  // instead of 128 KB more of it is still in the cache from the last period.
  struct alignas(64) Phase {
    float weights[kTaps];
  };

 private:
  using ResampleFn = void (*)(const Phase*, const float*, const float*, uint64_t, uint64_t, int, float*);
  using ResampleWideFn = void (*)(const float*, const float*, const float*, uint64_t, uint64_t, int, int, float*);

  std::vector<float> samples_;  // h(k / kPhases) for k = 0 .. kHalfTaps * kPhases + 1
  std::vector<Phase> phases_;   // kPhases + 1 of them, from frac 0 to frac 1
  ResampleFn resample_;
  ResampleWideFn resampleWide_;
};
