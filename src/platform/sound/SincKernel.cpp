#include "platform/sound/SincKernel.h"

#include <cmath>
#include <cstdlib>

#include "platform/kernel/KernelCheck.h"

#ifdef __x86_64__
#include <immintrin.h>
#endif

namespace {
constexpr double kCutoff = 0.95;  // of the source Nyquist frequency
constexpr double kBeta = 12.0;
using Phase = SincKernel::Phase;
constexpr int kTaps = SincKernel::kTaps;
constexpr int kPhases = SincKernel::kPhases;
constexpr int kEnd = SincKernel::kHalfTaps * kPhases;  // the kernel's end on the grid of samples
constexpr double kOne = 4294967296.0;                  // one frame in 32.32 fixed point

struct Stereo {
  float left, right;
};

// The series' terms peak near k = x / 2 and then fall fast: stop once they
// no longer change a double.
double BesselI0(double x) {
  const double quarterSquare = x * x / 4;
  double sum = 1, term = 1;
  for (int k = 1; term > sum * 1e-17; ++k) {
    term *= quarterSquare / (double(k) * k);
    sum += term;
  }
  return sum;
}

// The kernel at a distance of x >= 0 frames; i0Beta is BesselI0(kBeta).
double Kernel(double x, double i0Beta) {
  const double w = SincKernel::kHalfTaps;
  if (x >= w) return 0;
  double t = kCutoff * x;
  double sinc = t == 0 ? 1 : std::sin(M_PI * t) / (M_PI * t);
  double window = BesselI0(kBeta * std::sqrt(1 - (x / w) * (x / w))) / i0Beta;
  return kCutoff * sinc * window;
}

// Eight running sums per side break the chain of dependent additions, so the
// compiler can keep several multiplies in flight and vectorise them.
Stereo DotPortable(const float* weights, const float* left, const float* right, int taps) {
  constexpr int kLanes = 8;
  float sumLeft[kLanes] = {}, sumRight[kLanes] = {};
  int j = 0;
  for (; j + kLanes <= taps; j += kLanes)
    for (int lane = 0; lane < kLanes; ++lane) {
      sumLeft[lane] += weights[j + lane] * left[j + lane];
      sumRight[lane] += weights[j + lane] * right[j + lane];
    }
  for (; j < taps; ++j) {
    sumLeft[0] += weights[j] * left[j];
    sumRight[0] += weights[j] * right[j];
  }
  Stereo y{0.0f, 0.0f};
  for (int lane = 0; lane < kLanes; ++lane) {
    y.left += sumLeft[lane];
    y.right += sumRight[lane];
  }
  return y;
}

// The top 8 bits of a position's fraction pick the phase, the next 16 how far
// it lies towards the next phase.
static_assert(SincKernel::kPhases == 256);
const Phase& PhaseOf(const Phase* phases, uint64_t position) { return phases[uint32_t(position) >> 24]; }
float Between(uint64_t position) { return float((uint32_t(position) >> 8) & 0xffff) * (1.0f / 65536.0f); }

void ResamplePortable(const Phase* phases, const float* left, const float* right, uint64_t position, uint64_t step,
                      int count, float* out) {
  float weights[kTaps];
  for (int k = 0; k < count; ++k, position += step) {
    const Phase& phase = PhaseOf(phases, position);
    const Phase& next = (&phase)[1];
    const float t = Between(position);
    for (int j = 0; j < kTaps; ++j) weights[j] = phase.weights[j] + t * (next.weights[j] - phase.weights[j]);
    const size_t n = size_t(position >> 32);
    const Stereo y = DotPortable(weights, left + n, right + n, kTaps);
    out[2 * k] = y.left;
    out[2 * k + 1] = y.right;
  }
}

// Between the kernel's samples, linearly; `samples` holds kEnd + 2 of them.
float KernelAt(const float* samples, float x) {
  const float scaled = std::fabs(x) * kPhases;
  if (scaled >= float(kEnd)) return 0;
  const int k = int(scaled);
  const float t = scaled - float(k);
  return samples[k] + t * (samples[k + 1] - samples[k]);
}

// The position's fraction as a float below 1: its top 24 bits are exact in a
// float, while all 32 could round up to 1.0.
float Fraction(uint64_t position) { return float(uint32_t(position) >> 8) * (1.0f / 16777216.0f); }

// The weight of tap j (0 .. 2 * halfTaps - 1) of the kernel widened by 1 / scale.
float WideWeight(const float* samples, int j, int halfTaps, float frac, float scale) {
  return scale * KernelAt(samples, (float(j - halfTaps + 1) - frac) * scale);
}

void ResampleWidePortable(const float* samples, const float* left, const float* right, uint64_t position, uint64_t step,
                          int halfTaps, int count, float* out) {
  const float scale = float(kOne / double(step));
  float weights[2 * SincKernel::kMaxHalfTaps];
  for (int k = 0; k < count; ++k, position += step) {
    const float frac = Fraction(position);
    for (int j = 0; j < 2 * halfTaps; ++j) weights[j] = WideWeight(samples, j, halfTaps, frac, scale);
    const size_t n = size_t(position >> 32);
    const Stereo y = DotPortable(weights, left + n, right + n, 2 * halfTaps);
    out[2 * k] = y.left;
    out[2 * k + 1] = y.right;
  }
}

#ifdef __x86_64__
#define VYS_AVX2 __attribute__((target("avx2,fma")))
// Helpers must be inlined for their vectors to stay in registers.
#define VYS_AVX2_INLINE inline __attribute__((target("avx2,fma"), always_inline))

VYS_AVX2_INLINE Stereo SumLanes(__m256 left, __m256 right) {
  const __m256 pairs = _mm256_hadd_ps(left, right);  // l01 l23 r01 r23 | l45 l67 r45 r67
  const __m128 quads = _mm_add_ps(_mm256_castps256_ps128(pairs), _mm256_extractf128_ps(pairs, 1));
  const __m128 sums = _mm_hadd_ps(quads, quads);  // L R L R
  return {_mm_cvtss_f32(sums), _mm_cvtss_f32(_mm_movehdup_ps(sums))};
}

// The sums of four positions' lanes at once, as four interleaved stereo frames.
VYS_AVX2_INLINE __m256 SumLanes4(const __m256 sums[8]) {
  const __m256 first = _mm256_hadd_ps(_mm256_hadd_ps(sums[0], sums[1]), _mm256_hadd_ps(sums[2], sums[3]));
  const __m256 second = _mm256_hadd_ps(_mm256_hadd_ps(sums[4], sums[5]), _mm256_hadd_ps(sums[6], sums[7]));
  return _mm256_add_ps(_mm256_permute2f128_ps(first, second, 0x20), _mm256_permute2f128_ps(first, second, 0x31));
}

// The weights between two phases are made in registers and used at once:
// a subtraction and three fused multiply-adds per eight taps.
VYS_AVX2_INLINE void Accumulate(const Phase* phases, const float* left, const float* right, uint64_t position,
                                __m256& sumLeft, __m256& sumRight) {
  const Phase& phase = PhaseOf(phases, position);
  const Phase& next = (&phase)[1];
  const __m256 t = _mm256_set1_ps(Between(position));
  const size_t n = size_t(position >> 32);
  sumLeft = sumRight = _mm256_setzero_ps();
  for (int j = 0; j < kTaps; j += 8) {
    const __m256 weights = _mm256_load_ps(phase.weights + j);
    const __m256 slopes = _mm256_sub_ps(_mm256_load_ps(next.weights + j), weights);
    const __m256 w = _mm256_fmadd_ps(t, slopes, weights);
    sumLeft = _mm256_fmadd_ps(w, _mm256_loadu_ps(left + n + j), sumLeft);
    sumRight = _mm256_fmadd_ps(w, _mm256_loadu_ps(right + n + j), sumRight);
  }
}

// Four positions at a time share the horizontal sums and overlap their chains
// of additions.
VYS_AVX2 void ResampleAvx2(const Phase* phases, const float* left, const float* right, uint64_t position, uint64_t step,
                           int count, float* out) {
  int k = 0;
  for (; k + 4 <= count; k += 4) {
    __m256 sums[8];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i, position += step)
      Accumulate(phases, left, right, position, sums[2 * i], sums[2 * i + 1]);
    _mm256_storeu_ps(out + 2 * k, SumLanes4(sums));
  }
  for (; k < count; ++k, position += step) {
    __m256 sumLeft, sumRight;
    Accumulate(phases, left, right, position, sumLeft, sumRight);
    const Stereo y = SumLanes(sumLeft, sumRight);
    out[2 * k] = y.left;
    out[2 * k + 1] = y.right;
  }
}

// Eight weights of the widened kernel from the tap at distance `first` on,
// gathered from its samples; past its end they read its last two, which are 0.
VYS_AVX2_INLINE __m256 WideWeights(const float* samples, float first, float frac, float scale) {
  const __m256 distance = _mm256_add_ps(_mm256_set1_ps(first), _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7));
  const __m256 x = _mm256_mul_ps(_mm256_sub_ps(distance, _mm256_set1_ps(frac)), _mm256_set1_ps(scale));
  const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
  const __m256 scaled = _mm256_min_ps(_mm256_mul_ps(magnitude, _mm256_set1_ps(kPhases)), _mm256_set1_ps(kEnd));
  const __m256i index = _mm256_cvttps_epi32(scaled);
  const __m256 t = _mm256_sub_ps(scaled, _mm256_cvtepi32_ps(index));
  const __m256 lower = _mm256_i32gather_ps(samples, index, 4);
  const __m256 upper = _mm256_i32gather_ps(samples + 1, index, 4);
  return _mm256_mul_ps(_mm256_set1_ps(scale), _mm256_fmadd_ps(t, _mm256_sub_ps(upper, lower), lower));
}

VYS_AVX2 void ResampleWideAvx2(const float* samples, const float* left, const float* right, uint64_t position,
                               uint64_t step, int halfTaps, int count, float* out) {
  const float scale = float(kOne / double(step));
  const int taps = 2 * halfTaps;
  for (int k = 0; k < count; ++k, position += step) {
    const float frac = Fraction(position);
    const size_t n = size_t(position >> 32);
    __m256 sumLeft = _mm256_setzero_ps(), sumRight = _mm256_setzero_ps();
    int j = 0;
    for (; j + 8 <= taps; j += 8) {
      const __m256 w = WideWeights(samples, float(j - halfTaps + 1), frac, scale);
      sumLeft = _mm256_fmadd_ps(w, _mm256_loadu_ps(left + n + j), sumLeft);
      sumRight = _mm256_fmadd_ps(w, _mm256_loadu_ps(right + n + j), sumRight);
    }
    Stereo y = SumLanes(sumLeft, sumRight);
    for (; j < taps; ++j) {
      const float w = WideWeight(samples, j, halfTaps, frac, scale);
      y.left += w * left[n + j];
      y.right += w * right[n + j];
    }
    out[2 * k] = y.left;
    out[2 * k + 1] = y.right;
  }
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
#endif
}  // namespace

const SincKernel& SincKernel::Instance() {
  KERNEL_CHECK(!IsRealtimeThread(), "the kernel table is built before the audio thread mixes");
  static const SincKernel kernel;
  return kernel;
}

SincKernel::SincKernel(Path path) {
  const double i0Beta = BesselI0(kBeta);
  samples_.resize(size_t(kHalfTaps * kPhases + 2));
  for (size_t k = 0; k < samples_.size(); ++k) samples_[k] = float(Kernel(double(k) / kPhases, i0Beta));

  // Every phase weight lies on the grid of samples_: tap j of phase p is at a
  // distance of (j - 31) - p / kPhases frames. The last phase, at frac 1, is
  // only read as the one after the last but one.
  phases_.resize(size_t(kPhases + 1));
  for (int p = 0; p <= kPhases; ++p)
    for (int j = 0; j < kTaps; ++j) {
      const int distance = (j - kHalfTaps + 1) * kPhases - p;
      phases_[size_t(p)].weights[j] = samples_[size_t(std::abs(distance))];
    }

#ifdef __x86_64__
  if (path == Path::kFastest && HasAvx2()) {
    resample_ = ResampleAvx2;
    resampleWide_ = ResampleWideAvx2;
    return;
  }
#endif
  resample_ = ResamplePortable;
  resampleWide_ = ResampleWidePortable;
}

float SincKernel::At(float x) const { return KernelAt(samples_.data(), x); }
