// Keylock's figures in one run, at the mixer, for both engines: the key of a
// 1 kHz tone at +8 %, -8 %, +16 % and through a bend (cents off 1 kHz, and
// the strongest spur as a measure of the sound); the
// tempo of a click track at +8 %; play-to-sound latency in 256-frame periods
// with keylock off and on; and CPU in % of a core by the thread's own clock:
// the library alone in a bare loop (the floor), the mix without keylock and
// the mix with it; then the whole deck on the null device, paced like a card,
// by the process's clock. Gaps with two decks on JACK: bench/KeylockGaps.cpp.
#include <time.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "deck/VySystem.h"
#include "platform/rubberband/PitchShifter.h"
#include "platform/sound/SoundMixer.h"
#include "platform/sound/VoicePitchStage.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kFileRate = 44100, kDeviceRate = 48000, kPeriod = 256;
constexpr double kCpuSeconds = 20;  // of audio, for each CPU figure

constexpr double kDeckSeconds = 10;  // of real time, for each whole-deck figure

double ClockSeconds(clockid_t clock) {
  timespec now;
  clock_gettime(clock, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}
double ThreadSeconds() { return ClockSeconds(CLOCK_THREAD_CPUTIME_ID); }

// A looping 16-bit stereo voice of `frames` at the file rate, sample k `at(k)`.
std::unique_ptr<TSoundVoice> Voice(uint32_t frames, const std::function<float(uint32_t)>& at) {
  auto voice = std::make_unique<TSoundVoice>(TPCMWaveFormat{1, 2, kFileRate, 4 * kFileRate, 4, 16}, 4 * frames);
  auto* pcm = reinterpret_cast<int16_t*>(voice->memory.get());
  for (uint32_t k = 0; k < frames; ++k) pcm[2 * k] = pcm[2 * k + 1] = int16_t(std::lround(at(k) * 32767));
  voice->looping = true;
  return voice;
}

std::unique_ptr<TSoundVoice> Tone() {  // a whole number of cycles: the loop is seamless
  return Voice(kFileRate, [](uint32_t k) { return 0.5f * float(std::sin(2 * M_PI * 1000.0 * k / kFileRate)); });
}

// Mixes `periods` periods, calling `each` before every one, and returns the left side.
std::vector<float> Mix(TSoundVoice& voice, TVoicePitchStage* stage, int periods,
                       const std::function<void(int)>& each = nullptr) {
  SoundMixer mixer(kDeviceRate);
  voice.keylock = stage;
  mixer.Attach(&voice);
  voice.playing = true;
  std::vector<float> out(2 * kPeriod), left;
  for (int period = 0; period < periods; ++period) {
    if (each) each(period);
    mixer.Mix(out.data(), kPeriod);
    for (uint32_t k = 0; k < kPeriod; ++k) left.push_back(out[2 * k]);
  }
  voice.playing = false;
  mixer.Detach(&voice);
  return left;
}

int Periods(double seconds) { return int(seconds * kDeviceRate / kPeriod); }
double Cents(double hz) { return 1200 * std::log2(hz / 1000); }

void Key(PitchShifter::Engine engine) {
  for (double rate : {1.08, 0.92, 1.16}) {
    auto tone = Tone();
    tone->frequency = uint32_t(std::lround(kFileRate * rate));
    TVoicePitchStage stage(kDeviceRate, engine);
    const std::vector<float> heard = Mix(*tone, &stage, Periods(3));
    std::printf("  key at %+.0f %%: %+.2f cents, strongest spur %.1f dB\n", (rate - 1) * 100,
                Cents(ZeroCrossingHz(heard, kDeviceRate, heard.size(), kDeviceRate)),
                AnalyseSpectrum(heard, kDeviceRate, kDeviceRate).worstSpurDb);
  }
  // A fast bend held for a second: +3 % in six steps from +8 %, as the deck bends.
  auto tone = Tone();
  TVoicePitchStage stage(kDeviceRate, engine);
  const int steady = Periods(1), bend = Periods(1);
  const std::vector<float> heard = Mix(*tone, &stage, steady + bend, [&](int period) {
    const int step = period < steady ? 0 : 1 + (period - steady) * 6 / bend;
    tone->frequency = uint32_t(std::lround(kFileRate * (1.08 + 0.005 * step)));
  });
  const size_t from = size_t(steady) * kPeriod;
  std::printf("  key through a bend from +8 %% to +11 %%: %+.2f cents\n",
              Cents(ZeroCrossingHz(heard, from, heard.size(), kDeviceRate)));
}

void Tempo(PitchShifter::Engine engine) {
  const uint32_t every = kFileRate / 2;
  auto clicks = Voice(10 * kFileRate, [&](uint32_t k) { return k % every < 64 ? 0.6f : 0.0f; });
  clicks->frequency = uint32_t(std::lround(kFileRate * 1.08));
  TVoicePitchStage stage(kDeviceRate, engine);
  const std::vector<float> heard = Mix(*clicks, &stage, Periods(9));
  std::vector<size_t> onsets;
  size_t last = 0;
  for (size_t k = 0; k < heard.size(); ++k)
    if (std::abs(heard[k]) > 0.3f) {
      if (onsets.empty() || k - last > kDeviceRate / 10) onsets.push_back(k);
      last = k;
    }
  const double expected = 500 / 1.08, measured = double(onsets.back() - onsets[1]) * 1000 / kDeviceRate / double(onsets.size() - 2);
  std::printf("  tempo at +8 %%: click every %.3f ms, %.3f ms expected (%zu clicks, %+.0f ppm)\n", measured, expected,
              onsets.size(), (measured / expected - 1) * 1e6);
}

// Frames from the period that starts the play to the first sound.
double LatencyMs(TVoicePitchStage* stage) {
  auto tone = Tone();
  tone->frequency = uint32_t(std::lround(kFileRate * 1.08));
  const std::vector<float> heard = Mix(*tone, stage, Periods(0.2));
  size_t first = 0;
  while (first < heard.size() && heard[first] == 0) ++first;
  return double(first) * 1000 / kDeviceRate;
}

// CPU seconds per second of audio.
double MixCost(TVoicePitchStage* stage) {
  auto tone = Tone();
  tone->frequency = uint32_t(std::lround(kFileRate * 1.08));
  const double start = ThreadSeconds();
  Mix(*tone, stage, Periods(kCpuSeconds));
  return (ThreadSeconds() - start) / kCpuSeconds;
}

// The library alone: blocks of a period in and out at the same shift.
double BareCost(PitchShifter::Engine engine) {
  PitchShifter shifter(kDeviceRate, engine, TVoicePitchStage::kBlockFrames, TVoicePitchStage::kMinPitchScale,
                       TVoicePitchStage::kMaxPitchScale);
  shifter.SetPitchScale(1 / 1.08);
  std::vector<float> left(kPeriod), right(kPeriod), outLeft(kPeriod), outRight(kPeriod);
  const double start = ThreadSeconds();
  double phase = 0;
  for (int period = 0; period < Periods(kCpuSeconds); ++period) {
    for (uint32_t k = 0; k < kPeriod; ++k, phase += 2 * M_PI * 1080 / kDeviceRate)
      left[k] = right[k] = 0.5f * float(std::sin(phase));
    shifter.Feed(left.data(), right.data(), kPeriod);
    while (uint32_t ready = shifter.Ready()) shifter.Take(outLeft.data(), outRight.data(), std::min(ready, kPeriod));
  }
  return (ThreadSeconds() - start) / kCpuSeconds;
}
// The whole deck playing `song` at +8 %: every thread of the process, once
// the first fill is done, per second of real time.
double DeckCost(const std::string& song, uint32_t keylock) {
  TVySystemTAG deck;
  deck.NudgePitch(800);
  deck.SetKeylockEngine(keylock);
  deck.SetKeylock(keylock != DSBKEYLOCK_OFF);
  deck.OpenFiles(song, 0);  // plays when opened
  Wait(1);
  const double start = ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
  Wait(kDeckSeconds);
  return (ClockSeconds(CLOCK_PROCESS_CPUTIME_ID) - start) / kDeckSeconds;
}

void Decks() {
  TempDir dir;
  const std::string song = dir.File("tone.wav");
  WriteFileBytes(song, MakeWav({.rate = kFileRate, .data = PcmBytes(DitheredSine(1000, kFileRate, 30 * kFileRate, 0.5, 2))}));
  ScopedAudioOutput output("null", kDeviceRate);
  const double plain = DeckCost(song, DSBKEYLOCK_OFF);
  std::printf("whole deck at +8 %%, null device: without keylock %.2f %% of a core\n", plain * 100);
  for (auto [engine, mode, name] : {std::tuple{PitchShifter::Engine::kFine, DSBKEYLOCK_FINE, "fine"},
                                    {PitchShifter::Engine::kFast, DSBKEYLOCK_FAST, "fast"}}) {
    const double keylocked = DeckCost(song, mode), bare = BareCost(engine);
    std::printf("  keylock \"%s\": %.2f %% of a core; (with - without) / library alone (%.2f %%) = %.2f\n", name,
                keylocked * 100, bare * 100, (keylocked - plain) / bare);
  }
}
}  // namespace

int main() {
  const double plainLatency = LatencyMs(nullptr);
  const double plainCost = MixCost(nullptr);
  std::printf("without keylock: play to sound %.1f ms; mix at +8 %% %.2f %% of a core\n", plainLatency, plainCost * 100);
  for (auto [engine, name] : {std::pair{PitchShifter::Engine::kFine, "fine"}, {PitchShifter::Engine::kFast, "fast"}}) {
    std::printf("keylock \"%s\":\n", name);
    Key(engine);
    Tempo(engine);
    TVoicePitchStage stage(kDeviceRate, engine);
    std::printf("  play to sound %.1f ms (%.1f ms more than without)\n", LatencyMs(&stage),
                LatencyMs(&stage) - plainLatency);
    const double bare = BareCost(engine), keylocked = MixCost(&stage);
    std::printf("  CPU: library alone %.2f %%, mix with keylock %.2f %% of a core: (with - without) / alone = %.2f\n",
                bare * 100, keylocked * 100, (keylocked - plainCost) / bare);
  }
  Decks();
}
