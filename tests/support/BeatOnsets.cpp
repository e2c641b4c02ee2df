#include "support/BeatOnsets.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kKickMs = 150;  // well under a beat at any DJ tempo

// One kick's sample at `t` seconds after its start.
double KickAt(double t) {
  const double click = 0.6 * std::cos(2 * kPi * 3000 * t) * std::exp(-t / 0.002);
  // A body falling from 120 to 50 Hz: the phase is the integral of the sweep.
  const double phase = 2 * kPi * (50 * t + 70 * 0.03 * (1 - std::exp(-t / 0.03)));
  return click + 0.35 * std::sin(phase) * std::exp(-t / 0.06);
}
}  // namespace

std::vector<int16_t> KickTrack(double bpm, double firstBeatMs, double seconds, uint32_t rate) {
  const size_t frames = size_t(seconds * rate), kickFrames = size_t(kKickMs / 1000 * rate);
  std::vector<int16_t> pcm(frames * 2, 0);
  for (int beat = 0;; ++beat) {
    // Each start from the grid itself, so rounding never accumulates.
    const size_t start = size_t(std::llround((firstBeatMs / 1000 + beat * 60 / bpm) * rate));
    if (start >= frames) break;
    for (size_t k = 0; k < kickFrames && start + k < frames; ++k) {
      const auto sample = int16_t(std::lround(32767 * KickAt(double(k) / rate)));
      pcm[2 * (start + k)] = pcm[2 * (start + k) + 1] = sample;
    }
  }
  return pcm;
}

std::vector<double> FindOnsets(const std::vector<float>& x, double quietMs, uint32_t rate) {
  float peak = 0;
  for (float v : x) peak = std::max(peak, std::abs(v));
  const float threshold = peak / 2;
  const auto quiet = std::ptrdiff_t(quietMs / 1000 * rate);
  std::vector<double> onsets;
  std::ptrdiff_t lastLoud = -quiet;
  for (std::ptrdiff_t i = 1; peak > 0 && i < std::ptrdiff_t(x.size()); ++i) {
    const float now = std::abs(x[size_t(i)]), before = std::abs(x[size_t(i) - 1]);
    if (now < threshold) continue;
    if (i - lastLoud >= quiet && before < threshold)
      onsets.push_back(double(i - 1) + (threshold - before) / (now - before));
    lastLoud = i;
  }
  return onsets;
}

double Quantile(std::vector<double> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, size_t(q * double(values.size())))];
}

OnsetAgreement CompareOnsets(const std::vector<double>& a, const std::vector<double>& b, double pairWithinMs,
                             uint32_t rate) {
  std::vector<double> distances, signedMs;
  for (double onset : a) {
    const auto after = std::lower_bound(b.begin(), b.end(), onset);
    double nearest = after != b.end() ? *after : 1e300;
    if (after != b.begin() && onset - *(after - 1) < nearest - onset) nearest = *(after - 1);
    const double ms = (nearest - onset) * 1000 / rate;
    if (std::abs(ms) > pairWithinMs) continue;
    distances.push_back(std::abs(ms));
    signedMs.push_back(ms);
  }
  OnsetAgreement agreement;
  agreement.pairs = distances.size();
  agreement.medianMs = Quantile(distances, 0.5);
  agreement.p99Ms = Quantile(distances, 0.99);
  agreement.maxMs = Quantile(distances, 1);
  agreement.offsetMs = Quantile(signedMs, 0.5);
  return agreement;
}
