// Writes a test signal as a 16-bit PCM WAVE file: a slow, repeating sweep with
// a little deterministic noise, so that no two stretches of it are alike and
// misplaced audio cannot pass for the right audio.
//
//   make_signal_wav OUT.wav RATE CHANNELS SECONDS [SILENT_SECONDS]
//
// SILENT_SECONDS of digital silence come first when given.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace {
constexpr double kAmplitude = 12000;  // well below full scale: no clipping after encoding
constexpr double kNoise = 600;
constexpr double kSweepLow = 150;      // Hz
constexpr double kSweepHigh = 5000;    // Hz, below every encoder's low-pass at the rates used
constexpr double kSweepSeconds = 3.7;  // not a multiple of any frame length

void Put16(FILE* out, uint16_t v) { std::fputc(v & 0xFF, out), std::fputc(v >> 8, out); }
void Put32(FILE* out, uint32_t v) { Put16(out, v & 0xFFFF), Put16(out, v >> 16); }

void WriteHeader(FILE* out, uint32_t rate, uint16_t channels, uint32_t dataBytes) {
  std::fputs("RIFF", out), Put32(out, 36 + dataBytes), std::fputs("WAVEfmt ", out);
  Put32(out, 16), Put16(out, 1), Put16(out, channels), Put32(out, rate);
  Put32(out, rate * channels * 2), Put16(out, uint16_t(channels * 2)), Put16(out, 16);
  std::fputs("data", out), Put32(out, dataBytes);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: %s OUT.wav RATE CHANNELS SECONDS [SILENT_SECONDS]\n", argv[0]);
    return 2;
  }
  const uint32_t rate = uint32_t(std::atol(argv[2]));
  const uint16_t channels = uint16_t(std::atoi(argv[3]));
  const uint64_t frames = uint64_t(std::atof(argv[4]) * rate);
  const uint64_t silentFrames = argc == 6 ? uint64_t(std::atof(argv[5]) * rate) : 0;
  FILE* out = std::fopen(argv[1], "wb");
  if (!out || rate == 0 || channels < 1 || channels > 2) return 1;
  WriteHeader(out, rate, channels, uint32_t(frames * channels * 2));
  double phase = 0;
  uint32_t seed = 12345;
  for (uint64_t i = 0; i < frames; ++i) {
    double t = std::fmod(double(i) / rate, kSweepSeconds) / kSweepSeconds;
    phase += 2 * std::numbers::pi * (kSweepLow + (kSweepHigh - kSweepLow) * t) / rate;
    for (uint16_t c = 0; c < channels; ++c) {
      seed = seed * 1664525u + 1013904223u;
      double noise = (double(seed >> 16) / 65536.0 - 0.5) * kNoise;
      double sample = i < silentFrames ? 0 : kAmplitude * std::sin(phase + c) + noise;
      Put16(out, uint16_t(int16_t(sample)));
    }
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
