// Writes a test signal as a 16-bit PCM WAVE file: a slow, repeating sweep with
// a little deterministic noise, so that no two stretches of it are alike and
// misplaced audio cannot pass for the right audio.
//
//   make_signal_wav OUT.wav RATE CHANNELS SECONDS [SILENT_SECONDS]
//
// SILENT_SECONDS of digital silence come first when given.
//
//   make_signal_wav OUT.wav RATE CHANNELS SECONDS --beat BPM FIRST_BEAT INTRO
//
// writes a dance beat instead, for tempo analysis: a kick drum on every beat
// (the first at FIRST_BEAT seconds), a hi-hat on every off-beat, a bass line
// that enters on the off-beats too, and INTRO seconds of quiet hi-hats only
// before the kick enters, on the same grid.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

namespace {
constexpr double kAmplitude = 12000;  // well below full scale: no clipping after encoding
constexpr double kNoise = 600;
constexpr double kSweepLow = 150;      // Hz
constexpr double kSweepHigh = 5000;    // Hz, below every encoder's low-pass at the rates used
constexpr double kSweepSeconds = 3.7;  // not a multiple of any frame length

void Put16(FILE* out, uint16_t v) { std::fputc(v & 0xFF, out), std::fputc(v >> 8, out); }
void Put32(FILE* out, uint32_t v) { Put16(out, v & 0xFFFF), Put16(out, v >> 16); }

// The beat's instruments, as fractions of full scale. Their peaks together
// stay below full scale.
constexpr double kKickLevel = 0.5;
constexpr double kKickHighHz = 150, kKickLowHz = 50;  // its pitch falls ...
constexpr double kKickSweepSeconds = 0.03;              // ... this fast
constexpr double kKickDecaySeconds = 0.15;
constexpr double kHatLevel = 0.25, kIntroHatLevel = 0.08;
constexpr double kHatDecaySeconds = 0.02;
constexpr double kBassLevel = 0.18;
constexpr double kBassAttackSeconds = 0.015;  // a soft start: bass does not click
constexpr double kBassDecaySeconds = 0.2;
constexpr double kBassNotesHz[] = {55, 65.41, 49, 61.74};  // one a bar of four beats
constexpr double kHatRightShare = 0.8;                   // panned a little left

using TChannels = std::vector<std::vector<double>>;

// Adds one sound starting at `start` seconds, `shape` giving its sample
// t seconds in, for as long as `seconds`.
template <typename Shape>
void AddSound(TChannels& out, uint32_t rate, double start, double seconds, double rightShare, Shape shape) {
  const size_t first = size_t(std::ceil(start * rate));
  const size_t end = std::min(out[0].size(), size_t((start + seconds) * rate));
  for (size_t i = first; i < end; ++i) {
    const double sample = shape(double(i) / rate - start);
    out[0][i] += sample;
    if (out.size() > 1) out[1][i] += sample * rightShare;
  }
}

double Kick(double t) {
  const double sweep = kKickSweepSeconds * (kKickHighHz - kKickLowHz) * (1 - std::exp(-t / kKickSweepSeconds));
  return kKickLevel * std::exp(-t / kKickDecaySeconds) * std::sin(2 * std::numbers::pi * (kKickLowHz * t + sweep));
}

TChannels MakeBeat(uint32_t rate, uint16_t channels, uint64_t frames, double bpm, double firstBeat, double intro) {
  TChannels out(channels, std::vector<double>(frames));
  const double beat = 60 / bpm, seconds = double(frames) / rate;
  uint32_t seed = 12345;
  std::vector<double> hatNoise(size_t(5 * kHatDecaySeconds * rate) + 1);
  for (double& v : hatNoise) seed = seed * 1664525u + 1013904223u, v = double(seed >> 16) / 32768.0 - 1;
  for (int n = 0; firstBeat + n * beat < seconds; ++n) {
    const double at = firstBeat + n * beat, offBeat = at + beat / 2;
    const bool full = at >= intro;
    if (full) AddSound(out, rate, at, beat, 1, Kick);
    const double hat = full ? kHatLevel : kIntroHatLevel;
    AddSound(out, rate, offBeat, 5 * kHatDecaySeconds, kHatRightShare, [&](double t) {
      const size_t i = std::min(hatNoise.size() - 2, size_t(t * rate));
      return hat * std::exp(-t / kHatDecaySeconds) * (hatNoise[i + 1] - hatNoise[i]) / 2;  // a difference: highs only
    });
    if (!full) continue;
    const double note = kBassNotesHz[(n / 4) % std::size(kBassNotesHz)];
    AddSound(out, rate, offBeat, beat / 2, 1, [&](double t) {
      const double envelope = std::min(1.0, t / kBassAttackSeconds) * std::exp(-t / kBassDecaySeconds);
      return kBassLevel * envelope * std::sin(2 * std::numbers::pi * note * t);
    });
  }
  return out;
}

void WriteHeader(FILE* out, uint32_t rate, uint16_t channels, uint32_t dataBytes) {
  std::fputs("RIFF", out), Put32(out, 36 + dataBytes), std::fputs("WAVEfmt ", out);
  Put32(out, 16), Put16(out, 1), Put16(out, channels), Put32(out, rate);
  Put32(out, rate * channels * 2), Put16(out, uint16_t(channels * 2)), Put16(out, 16);
  std::fputs("data", out), Put32(out, dataBytes);
}
}  // namespace

int WriteBeat(FILE* out, uint32_t rate, uint16_t channels, uint64_t frames, char** beatArgs) {
  const TChannels beat = MakeBeat(rate, channels, frames, std::atof(beatArgs[0]), std::atof(beatArgs[1]),
                                  std::atof(beatArgs[2]));
  WriteHeader(out, rate, channels, uint32_t(frames * channels * 2));
  for (uint64_t i = 0; i < frames; ++i)
    for (uint16_t c = 0; c < channels; ++c) Put16(out, uint16_t(int16_t(std::clamp(beat[c][i], -1.0, 32767 / 32768.0) * 32768)));
  return std::fclose(out) == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  const bool beat = argc == 9 && std::strcmp(argv[5], "--beat") == 0;
  if (argc != 5 && argc != 6 && !beat) {
    std::fprintf(stderr,
                 "usage: %s OUT.wav RATE CHANNELS SECONDS [SILENT_SECONDS]\n"
                 "       %s OUT.wav RATE CHANNELS SECONDS --beat BPM FIRST_BEAT INTRO\n",
                 argv[0], argv[0]);
    return 2;
  }
  const uint32_t rate = uint32_t(std::atol(argv[2]));
  const uint16_t channels = uint16_t(std::atoi(argv[3]));
  const uint64_t frames = uint64_t(std::atof(argv[4]) * rate);
  const uint64_t silentFrames = argc == 6 && !beat ? uint64_t(std::atof(argv[5]) * rate) : 0;
  FILE* out = std::fopen(argv[1], "wb");
  if (!out || rate == 0 || channels < 1 || channels > 2) return 1;
  if (beat) return WriteBeat(out, rate, channels, frames, argv + 6);
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
