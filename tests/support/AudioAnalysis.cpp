#include "support/AudioAnalysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace {
constexpr size_t kFftSize = 65536;
constexpr double kWindowBeta = 20.0;  // Kaiser side lobes near -150 dB
constexpr size_t kMainLobeBins = 12;  // half-width of that window's main lobe, with margin
constexpr size_t kIgnoredLowBins = 4;

uint32_t Le32(const std::string& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
uint16_t Le16(const std::string& b, size_t at) {
  uint16_t v;
  std::memcpy(&v, b.data() + at, 2);
  return v;
}

double BesselI0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 80; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
  }
  return sum;
}

void Fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    std::complex<double> root = std::polar(1.0, -2 * M_PI / double(len));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1;
      for (size_t k = 0; k < len / 2; ++k, w *= root) {
        std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}
}  // namespace

bool ReadCapture(const std::string& path, Capture* capture) {
  std::ifstream in(path, std::ios::binary);
  std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 44 || b.compare(0, 4, "RIFF") || b.compare(8, 8, "WAVEfmt ")) return false;
  if (Le16(b, 20) != 3 || Le16(b, 22) != 2 || Le16(b, 34) != 32) return false;
  capture->rate = Le32(b, 24);
  // A capture still being written declares no data yet: take what it holds so far.
  const size_t declared = Le32(b, 40) == 0 ? b.size() - 44 : Le32(b, 40);
  size_t frames = std::min<size_t>(declared, b.size() - 44) / 8;
  capture->left.resize(frames);
  capture->right.resize(frames);
  for (size_t k = 0; k < frames; ++k) {
    std::memcpy(&capture->left[k], b.data() + 44 + 8 * k, 4);
    std::memcpy(&capture->right[k], b.data() + 48 + 8 * k, 4);
  }
  return true;
}

double ZeroCrossingHz(const std::vector<float>& x, size_t begin, size_t end, uint32_t rate) {
  double first = -1, last = -1;
  size_t crossings = 0;
  for (size_t k = begin + 1; k < end; ++k) {
    if (x[k - 1] < 0 && x[k] >= 0) {
      double at = double(k - 1) + x[k - 1] / (x[k - 1] - x[k]);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  }
  return crossings < 2 ? 0 : double(crossings - 1) * rate / (last - first);
}

Spectrum AnalyseSpectrum(const std::vector<float>& x, size_t begin, uint32_t rate) {
  std::vector<std::complex<double>> a(kFftSize);
  const double norm = BesselI0(kWindowBeta);
  for (size_t k = 0; k < kFftSize; ++k) {
    double r = 2.0 * double(k) / double(kFftSize - 1) - 1.0;
    a[k] = double(x[begin + k]) * BesselI0(kWindowBeta * std::sqrt(1 - r * r)) / norm;
  }
  Fft(a);
  std::vector<double> power(kFftSize / 2);
  size_t peak = kIgnoredLowBins;
  for (size_t k = 0; k < power.size(); ++k) {
    power[k] = std::norm(a[k]);
    if (k >= kIgnoredLowBins && power[k] > power[peak]) peak = k;
  }
  double worst = 0;
  for (size_t k = kIgnoredLowBins; k < power.size(); ++k)
    if (k + kMainLobeBins < peak || k > peak + kMainLobeBins) worst = std::max(worst, power[k]);
  return {double(peak) * rate / kFftSize, 10 * std::log10(std::max(worst, 1e-300) / power[peak])};
}

double Rms(const std::vector<float>& x, size_t begin, size_t end) {
  double sum = 0;
  for (size_t k = begin; k < end; ++k) sum += double(x[k]) * x[k];
  return std::sqrt(sum / double(end - begin));
}

Match LocateExcerpt(const std::vector<float>& signal, const std::vector<float>& excerpt, long from, long to) {
  Match best;
  const long n = long(excerpt.size());
  from = std::max(from, 0L);
  to = std::min(to, long(signal.size()) - n + 1);
  if (n == 0 || from >= to) return best;
  double excerptEnergy = 0;
  for (float v : excerpt) excerptEnergy += double(v) * v;
  // Energy of the signal window, slid along rather than summed anew.
  double windowEnergy = 0;
  for (long k = from; k < from + n; ++k) windowEnergy += double(signal[size_t(k)]) * signal[size_t(k)];
  for (long at = from; at < to; ++at) {
    if (at > from) {
      const double out = signal[size_t(at - 1)], in = signal[size_t(at + n - 1)];
      windowEnergy += in * in - out * out;
    }
    double dot = 0;
    for (long k = 0; k < n; ++k) dot += double(signal[size_t(at + k)]) * excerpt[size_t(k)];
    const double norm = std::sqrt(std::max(windowEnergy, 0.0) * excerptEnergy);
    const double correlation = norm > 0 ? dot / norm : 0;
    if (correlation > best.correlation) best = {at, correlation};
  }
  return best;
}

Landing LocateLanding(const std::vector<float>& source, const std::vector<float>& heard, size_t from, unsigned targetMs,
                      uint32_t rate, double excerptMs, double searchMs) {
  const size_t frames = size_t(excerptMs * rate / 1000);
  if (from + frames > heard.size()) return {};
  const std::vector<float> excerpt(heard.begin() + long(from), heard.begin() + long(from + frames));
  const long target = long(uint64_t(targetMs) * rate / 1000), search = long(searchMs * rate / 1000);
  const Match m = LocateExcerpt(source, excerpt, target - search, target + search + 1);
  return {double(m.offset - target) * 1000 / rate, m.correlation};
}

std::vector<int16_t> DitheredSine(double hz, uint32_t rate, size_t frames, double amplitude, int channels) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> lsb(-0.5, 0.5);
  std::vector<int16_t> pcm(frames * size_t(channels));
  for (size_t k = 0; k < frames; ++k) {
    double value = amplitude * 32767 * std::sin(2 * M_PI * hz * double(k) / rate);
    for (int c = 0; c < channels; ++c)
      pcm[k * size_t(channels) + size_t(c)] = int16_t(std::lround(value + lsb(random) + lsb(random)));
  }
  return pcm;
}
