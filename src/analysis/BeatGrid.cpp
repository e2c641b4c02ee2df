#include "analysis/BeatGrid.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {
// The tempo range searched. Octaves outside it are never chosen.
constexpr double kSlowestBpm = 60;
constexpr double kFastestBpm = 200;
// Where most dance music lies: preferred when the onsets cannot decide.
constexpr double kUsualSlowestBpm = 80;
constexpr double kUsualFastestBpm = 180;
// The autocorrelation runs on a coarser copy of about this many values a
// second: enough to find the tempo roughly, a quarter of the cost.
constexpr double kCoarseRate = 172;
// Below this share of its energy at the best lag, the signal has no beat.
constexpr double kMinPeriodicity = 0.05;
// Lags of this many beats refine the period: an error of a fraction of a
// value at the lag is that fraction over so many beats.
constexpr double kRefiningBeats[] = {4, 16, 64};
// A beat's onsets on alternate beats at least this strong against each
// other: an onset on every beat, so the beat is not twice as long.
constexpr double kEveryBeatBalance = 0.75;
// Onsets are looked for this share of a beat either side of the grid.
constexpr double kSearchShare = 0.25;
// A beat counts when its onset reaches this share of the strong beats'.
constexpr double kWeakShare = 0.3;
constexpr double kStrongPercentile = 0.75;
// Fewer fitted beats than this, or than this share of the beats, is no grid.
constexpr size_t kMinFittedBeats = 8;
constexpr double kMinFittedShare = 0.25;
// The fitted onsets' mean strength against the whole track's: a beat's
// onsets stand out many times (a kick ten times and more), noise does not.
constexpr double kMinSalience = 2;
// Residuals beyond this many robust deviations are dropped from the fit.
constexpr double kOutlierDeviations = 3;
constexpr double kMadToDeviation = 1.4826;
// The log compression: energy at the track's mean gives log(1 + 10).
constexpr double kCompression = 10;

double Autocorrelation(const std::vector<float>& x, size_t lag) {
  if (lag >= x.size()) return 0;
  double sum = 0;
  for (size_t i = 0; i + lag < x.size(); ++i) sum += double(x[i]) * x[i + lag];
  return sum / double(x.size() - lag);
}

// The offset of a peak's top from its middle value, from the two beside it.
double ParabolicOffset(double before, double at, double after) {
  const double curvature = before - 2 * at + after;
  return curvature < 0 ? std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5) : 0;
}

// The lag of the highest autocorrelation in [from, to], between values.
double BestLag(const std::vector<float>& x, size_t from, size_t to, double* value = nullptr) {
  from = std::max<size_t>(from, 1);
  size_t best = from;
  double bestValue = -HUGE_VAL;
  std::vector<double> values;
  for (size_t lag = from - 1; lag <= to + 1; ++lag) values.push_back(Autocorrelation(x, lag));
  for (size_t lag = from; lag <= to; ++lag)
    if (values[lag - from + 1] > bestValue) bestValue = values[lag - from + 1], best = lag;
  if (value) *value = bestValue;
  const size_t i = best - from + 1;
  return double(best) + ParabolicOffset(values[i - 1], values[i], values[i + 1]);
}

std::vector<float> Coarse(const std::vector<float>& strength, size_t factor) {
  std::vector<float> coarse(strength.size() / factor);
  for (size_t m = 0; m < coarse.size(); ++m)
    coarse[m] = std::accumulate(strength.begin() + long(m * factor), strength.begin() + long((m + 1) * factor), 0.0f);
  return coarse;
}

std::vector<float> WithoutMean(std::vector<float> x) {
  const float mean = x.empty() ? 0.0f : std::accumulate(x.begin(), x.end(), 0.0f) / float(x.size());
  for (float& v : x) v -= mean;
  return x;
}

// The beat period, in coarse values, refined at lags of many beats.
double RefinedPeriod(const std::vector<float>& centred, double period) {
  for (double beats : kRefiningBeats) {
    const double lag = period * beats;
    if (lag * 2 > double(centred.size())) break;
    const double reach = std::min(period / 3, 2 + beats * 0.15);
    period = BestLag(centred, size_t(std::max(1.0, lag - reach)), size_t(lag + reach)) / beats;
  }
  return period;
}

// The mean strength at phase, phase + period, ... (each the highest of the
// three values nearest).
double CombStrength(const std::vector<float>& x, double phase, double period) {
  double sum = 0;
  size_t count = 0;
  for (double at = phase; at + 1.5 < double(x.size()); at += period, ++count) {
    const long i = std::lround(at);
    sum += std::max({x[size_t(std::max(0L, i - 1))], x[size_t(i)], x[size_t(i + 1)]});
  }
  return count ? sum / double(count) : 0;
}

// The phase in [0, period) with the strongest comb.
double StrongestPhase(const std::vector<float>& x, double period, double* strength = nullptr) {
  double best = 0, bestStrength = -1;
  for (double phase = 0; phase < period; phase += 1) {
    const double s = CombStrength(x, phase, period);
    if (s > bestStrength) bestStrength = s, best = phase;
  }
  if (strength) *strength = bestStrength;
  return best;
}

// Whether alternate beats of `period` are about as strong: then each beat
// has its own onset, and the period is not half a beat.
bool OnsetOnEveryBeat(const std::vector<float>& x, double period) {
  double strongest = 0;
  const double phase = StrongestPhase(x, 2 * period, &strongest);
  const double other = std::max({CombStrength(x, phase + period - 1, 2 * period),
                                 CombStrength(x, phase + period, 2 * period),
                                 CombStrength(x, phase + period + 1, 2 * period)});
  return strongest > 0 && other >= kEveryBeatBalance * strongest;
}

double Bpm(double period, double rate) { return 60 * rate / period; }

bool UsualTempo(double period, double rate) {
  return Bpm(period, rate) >= kUsualSlowestBpm && Bpm(period, rate) <= kUsualFastestBpm;
}

// Of the octaves of `period` in the searched range, the fastest with an
// onset on every beat. Without one (a syncopated kick), `period` itself
// when usual, else its octave in the usual range.
double ChooseOctave(const std::vector<float>& coarse, double period, double rate) {
  std::vector<double> octaves;
  for (double factor : {0.25, 0.5, 1.0, 2.0, 4.0}) {
    const double bpm = Bpm(period * factor, rate);
    if (bpm >= kSlowestBpm && bpm <= kFastestBpm) octaves.push_back(period * factor);
  }
  for (double octave : octaves)  // fastest first
    if (OnsetOnEveryBeat(coarse, octave)) return octave;
  if (UsualTempo(period, rate)) return period;
  for (double octave : octaves)
    if (UsualTempo(octave, rate)) return octave;
  return period;
}

struct TLine {
  double at = 0, slope = 0;
};

TLine FitLine(const std::vector<double>& k, const std::vector<double>& t) {
  const double n = double(k.size());
  const double mk = std::accumulate(k.begin(), k.end(), 0.0) / n;
  const double mt = std::accumulate(t.begin(), t.end(), 0.0) / n;
  double skk = 0, skt = 0;
  for (size_t i = 0; i < k.size(); ++i) skk += (k[i] - mk) * (k[i] - mk), skt += (k[i] - mk) * (t[i] - mt);
  const double slope = skk > 0 ? skt / skk : 0;
  return {mt - slope * mk, slope};
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
  return v[v.size() / 2];
}

struct TOnset {
  double beat;  // the grid's beat number
  double at;    // where its onset is, in values
  double strength;
};

// The strongest onset near each beat of the grid.
std::vector<TOnset> OnsetsNear(const std::vector<float>& x, TLine grid) {
  std::vector<TOnset> onsets;
  const double reach = grid.slope * kSearchShare;
  const double first = std::ceil((reach - grid.at) / grid.slope);
  for (double beat = first;; ++beat) {
    const double centre = grid.at + beat * grid.slope;
    const size_t from = size_t(std::max(1.0, centre - reach)), to = size_t(centre + reach);
    if (to + 1 >= x.size()) break;
    size_t best = from;
    for (size_t i = from; i <= to; ++i)
      if (x[i] > x[best]) best = i;
    onsets.push_back({beat, double(best) + ParabolicOffset(x[best - 1], x[best], x[best + 1]), x[best]});
  }
  return onsets;
}

std::optional<TLine> FitGrid(const std::vector<float>& x, TLine grid) {
  std::vector<TOnset> onsets = OnsetsNear(x, grid);
  std::vector<double> strengths;
  for (const TOnset& onset : onsets) strengths.push_back(onset.strength);
  std::sort(strengths.begin(), strengths.end());
  if (strengths.empty()) return std::nullopt;
  const double weak = kWeakShare * strengths[size_t(double(strengths.size() - 1) * kStrongPercentile)];
  std::erase_if(onsets, [&](const TOnset& onset) { return onset.strength < weak || onset.strength <= 0; });
  const size_t needed = std::max(kMinFittedBeats, size_t(kMinFittedShare * double(strengths.size())));
  for (int pass = 0; pass < 2; ++pass) {
    if (onsets.size() < needed) return std::nullopt;
    std::vector<double> beats, times, residuals;
    for (const TOnset& onset : onsets) beats.push_back(onset.beat), times.push_back(onset.at);
    grid = FitLine(beats, times);
    for (const TOnset& onset : onsets) residuals.push_back(std::abs(onset.at - grid.at - grid.slope * onset.beat));
    const double limit = std::max(1.0, kOutlierDeviations * kMadToDeviation * Median(residuals));
    std::erase_if(onsets, [&](const TOnset& onset) { return std::abs(onset.at - grid.at - grid.slope * onset.beat) > limit; });
  }
  // Onsets at the beats must stand out from the rest of the track; noise
  // or a slow sweep fits some grid too.
  double onsetSum = 0;
  for (const TOnset& onset : onsets) onsetSum += onset.strength;
  const double meanStrength = std::accumulate(x.begin(), x.end(), 0.0) / double(x.size());
  if (onsets.empty() || onsetSum / double(onsets.size()) < kMinSalience * meanStrength) return std::nullopt;
  return grid;
}
}  // namespace

std::vector<float> OnsetStrength(const std::vector<float>& energy) {
  std::vector<float> strength(energy.size());
  const double mean = energy.empty() ? 0 : std::accumulate(energy.begin(), energy.end(), 0.0) / double(energy.size());
  if (mean <= 0) return strength;
  const double scale = kCompression / mean;
  double before = 0;
  for (size_t i = 0; i < energy.size(); ++i) {
    const double level = std::log1p(scale * energy[i]);
    strength[i] = float(std::max(0.0, level - before));
    before = level;
  }
  return strength;
}

std::optional<TBeatGrid> FindBeatGrid(const std::vector<float>& strength, double rate, double offsetSeconds) {
  const size_t factor = std::max<size_t>(1, size_t(std::lround(rate / kCoarseRate)));
  const double coarseRate = rate / double(factor);
  const std::vector<float> coarse = Coarse(strength, factor);
  const std::vector<float> centred = WithoutMean(coarse);
  const size_t shortest = size_t(60 * coarseRate / kFastestBpm), longest = size_t(std::ceil(60 * coarseRate / kSlowestBpm));
  if (centred.size() < 4 * longest) return std::nullopt;
  double peak = 0;
  double period = BestLag(centred, shortest, longest, &peak);
  if (peak <= 0 || peak < kMinPeriodicity * Autocorrelation(centred, 0)) return std::nullopt;
  period = RefinedPeriod(centred, period);
  period = ChooseOctave(coarse, period, coarseRate);
  // Back to full resolution: coarse value m is the middle of its values.
  const double phase = StrongestPhase(coarse, period) * double(factor) + double(factor - 1) / 2;
  const std::optional<TLine> grid = FitGrid(strength, {phase, period * double(factor)});
  if (!grid || grid->slope <= 0) return std::nullopt;
  const double beatSeconds = grid->slope / rate;
  const double someBeat = grid->at / rate + offsetSeconds;
  return TBeatGrid{60 / beatSeconds, someBeat - std::floor(someBeat / beatSeconds) * beatSeconds};
}
