#include "analysis/TruePeak.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr float kFullScale = 32768;
constexpr float kSampleScale = 1 / kFullScale;
// The window's half width, in samples: just beyond the farthest tap.
constexpr double kWindowHalfWidth = TTruePeakMeter::kTaps / 2;

double WindowedSinc(double distance) {
  const double x = std::numbers::pi * distance;
  const double sinc = distance == 0 ? 1 : std::sin(x) / x;
  return sinc * 0.5 * (1 + std::cos(x / kWindowHalfWidth));
}
}  // namespace

TTruePeakMeter::TTruePeakMeter(unsigned channels) : channels_(channels), lines_(channels) {
  for (TLine& line : lines_) line.fill(0);
  // Phase p is the point p / kPhases past the middle tap (kTaps / 2 - 1).
  for (size_t p = 1; p < kPhases; ++p) {
    double sum = 0, magnitude = 0;
    for (size_t j = 0; j < kTaps; ++j)
      sum += taps_[p][j] = float(WindowedSinc(double(j) - double(kTaps / 2 - 1) - double(p) / kPhases));
    for (float& tap : taps_[p]) tap = float(tap / sum), magnitude += std::abs(tap);  // unity gain at DC
    gain_ = std::max(gain_, float(magnitude));
  }
}

void TTruePeakMeter::Add(const int16_t* frames, size_t count) {
  while (count > 0) {
    const size_t take = std::min(count, kBlock - fill_);
    // The samples' own peak first: a flat loop over both channels.
    int loudest = 0;
    for (size_t i = 0; i < take * channels_; ++i) loudest = std::max(loudest, std::abs(int(frames[i])));
    blockPeak_ = std::max(blockPeak_, float(loudest) / kFullScale);
    for (unsigned c = 0; c < channels_; ++c)
      for (size_t i = 0; i < take; ++i) lines_[c][kTaps - 1 + fill_ + i] = float(frames[i * channels_ + c]) * kSampleScale;
    frames += take * channels_, count -= take, fill_ += take;
    if (fill_ == kBlock) AddBlock();
  }
}

void TTruePeakMeter::AddBlock() {
  peak_ = std::max(peak_, blockPeak_);
  // Here no interpolated value can reach the peak: nothing to learn.
  const bool mayExceed = blockPeak_ * gain_ > peak_;
  float historyPeak = 0;
  for (TLine& line : lines_) {
    if (mayExceed) peak_ = std::max(peak_, InterpolatedPeak(line));
    std::copy(line.end() - (kTaps - 1), line.end(), line.begin());
    for (size_t j = 0; j + 1 < kTaps; ++j) historyPeak = std::max(historyPeak, std::abs(line[j]));
  }
  blockPeak_ = historyPeak;
  fill_ = 0;
}

namespace {
using TTaps = std::array<std::array<float, TTruePeakMeter::kTaps>, TTruePeakMeter::kPhases>;
using TLine = std::array<float, TTruePeakMeter::kTaps - 1 + TTruePeakMeter::kBlock>;

// The loudest value between the samples of the line's block. Output m lies
// between line[m + kTaps / 2 - 1] and the sample after. Fixed shapes and
// lane-wise maxima let the compiler vectorise it.
[[gnu::always_inline]] inline float LoudestBetween(const TTaps& taps, const TLine& line) {
  constexpr size_t kBlock = TTruePeakMeter::kBlock;
  std::array<float, kBlock> loudest{};
  for (size_t p = 1; p < TTruePeakMeter::kPhases; ++p) {
    std::array<float, kBlock> out{};
    for (size_t j = 0; j < TTruePeakMeter::kTaps; ++j) {
      const float tap = taps[p][j];
      for (size_t m = 0; m < kBlock; ++m) out[m] += tap * line[j + m];
    }
    for (size_t m = 0; m < kBlock; ++m) loudest[m] = std::max(loudest[m], std::abs(out[m]));
  }
  return *std::max_element(loudest.begin(), loudest.end());
}

// This is most of the meter's cost: AVX2 halves it where the processor has
// it. Chosen at run time, not by the loader, which runs before sanitizers
// are ready.
#if defined(__x86_64__)
[[gnu::target("avx2")]] float LoudestBetweenAvx2(const TTaps& taps, const TLine& line) {
  return LoudestBetween(taps, line);
}
#endif
float LoudestBetweenPlain(const TTaps& taps, const TLine& line) { return LoudestBetween(taps, line); }

using TLoudestBetween = float (*)(const TTaps&, const TLine&);
TLoudestBetween ChooseLoudestBetween() {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2")) return LoudestBetweenAvx2;
#endif
  return LoudestBetweenPlain;
}
}  // namespace

float TTruePeakMeter::InterpolatedPeak(const TLine& line) const {
  static const TLoudestBetween loudestBetween = ChooseLoudestBetween();
  return loudestBetween(taps_, line);
}

double TTruePeakMeter::PeakDb() const {
  const float peak = std::max(peak_, blockPeak_);
  return peak > 0 ? 20 * std::log10(double(peak)) : -HUGE_VAL;
}
