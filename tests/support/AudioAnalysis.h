// Ear-equivalents for tests: read a captured mix and measure it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Capture {
  uint32_t rate = 0;
  std::vector<float> left, right;
};

// Reads a 32-bit float stereo WAV as the wav: output writes it (also while it
// is still being written); false if it is not one.
bool ReadCapture(const std::string& path, Capture* capture);

// Frequency from the rising zero crossings in [begin, end), interpolated
// between samples: precise to millihertz over a second of signal.
double ZeroCrossingHz(const std::vector<float>& x, size_t begin, size_t end, uint32_t rate);

struct Spectrum {
  double peakHz = 0;
  double worstSpurDb = 0;  // strongest other component, relative to the peak
};

// 65536-point spectrum from `begin` under a Kaiser window whose side lobes lie
// far below -120 dB, so that only the signal's own spurs show.
Spectrum AnalyseSpectrum(const std::vector<float>& x, size_t begin, uint32_t rate);

double Rms(const std::vector<float>& x, size_t begin, size_t end);

struct Match {
  long offset = -1;        // where in the signal the excerpt starts
  double correlation = 0;  // normalised: 1 for the same waveform at any level
};

// Where `excerpt` lies in `signal`, searched over start offsets [from, to):
// the offset of the highest normalised cross-correlation.
Match LocateExcerpt(const std::vector<float>& signal, const std::vector<float>& excerpt, long from, long to);

// Where the `excerptMs` of `heard` from frame `from` on lie in `source`
// (both at `rate`), searched within `searchMs` of `targetMs`: the offset
// is how late they are, in ms.
struct Landing {
  double lateMs = 0;
  double correlation = 0;
};
Landing LocateLanding(const std::vector<float>& source, const std::vector<float>& heard, size_t from, unsigned targetMs,
                      uint32_t rate, double excerptMs = 100, double searchMs = 300);

// 16-bit PCM sine, interleaved, with triangular dither so that quantisation
// leaves noise rather than spurs.
std::vector<int16_t> DitheredSine(double hz, uint32_t rate, size_t frames, double amplitude, int channels);
