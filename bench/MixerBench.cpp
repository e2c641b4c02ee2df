// The mixer's cost per second of 48 kHz output, for 1, 2 and 8 playing decks:
// at unity rate (samples pass through) and at +8 % (44.1 and 48 kHz files
// through the band-limited resampler, also on its portable path); 96 kHz files
// take its widened form; a deck downmixed into one side (cueing in headphones)
// weighs both channels into each side. And the kernel's build at start-up.
// Counters: nanoseconds per output frame and per cent of one core per deck.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/sound/DirectSound.h"
#include "platform/sound/SincKernel.h"
#include "platform/sound/SoundMixer.h"

namespace {
constexpr uint32_t kDeviceRate = 48000;
constexpr uint32_t kPeriod = 256;

std::unique_ptr<TSoundVoice> PlayingVoice(uint32_t sourceRate, uint32_t playRate, uint32_t mix) {
  TPCMWaveFormat format{WAVE_FORMAT_PCM, 2, sourceRate, sourceRate * 4, 4, 16};
  auto voice = std::make_unique<TSoundVoice>(format, sourceRate * 4);  // one second
  auto* pcm = reinterpret_cast<int16_t*>(voice->memory.get());
  for (uint32_t k = 0; k < 2 * sourceRate; ++k) pcm[k] = int16_t(12000 * std::sin(k * 0.01));
  voice->frequency = playRate;
  voice->channelMix = mix;
  voice->looping = true;
  voice->playing = true;
  return voice;
}

void MixDecks(benchmark::State& state, uint32_t sourceRate, uint32_t playRate,
              const SincKernel& kernel = SincKernel::Instance(), uint32_t mix = DSBMIX_NONE) {
  const int decks = int(state.range(0));
  SoundMixer mixer(kDeviceRate, kernel);
  mixer.SetDevice(kDeviceRate, 0);
  std::vector<std::unique_ptr<TSoundVoice>> voices;
  for (int d = 0; d < decks; ++d) {
    voices.push_back(PlayingVoice(sourceRate, playRate, mix));
    mixer.Attach(voices.back().get());
  }
  std::vector<float> out(2 * kPeriod);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    mixer.Mix(out.data(), kPeriod);
    benchmark::DoNotOptimize(out.data());
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (auto& voice : voices) mixer.Detach(voice.get());
  const double frames = double(state.iterations()) * kPeriod;
  state.counters["ns_per_frame"] = seconds * 1e9 / frames;
  // Seconds of mixing per second of output, per deck, in per cent.
  state.counters["core_pct_per_deck"] = seconds / (frames / kDeviceRate) / decks * 100;
}

void BM_MixUnityRate(benchmark::State& state) { MixDecks(state, kDeviceRate, kDeviceRate); }
void BM_MixCdFilePlus8(benchmark::State& state) { MixDecks(state, 44100, 47628); }
void BM_Mix48kFilePlus8(benchmark::State& state) { MixDecks(state, kDeviceRate, 51840); }
void BM_MixCdFilePlus8Portable(benchmark::State& state) {
  static const SincKernel portable(SincKernel::Path::kPortable);
  MixDecks(state, 44100, 47628, portable);
}
void BM_MixCdFilePlus8Downmixed(benchmark::State& state) {
  MixDecks(state, 44100, 47628, SincKernel::Instance(), DSBMIX_LEFT);
}
void BM_Mix96kFile(benchmark::State& state) { MixDecks(state, 96000, 96000); }

// Start-up: building the kernel's tables.
void BM_BuildKernel(benchmark::State& state) {
  for (auto _ : state) {
    SincKernel kernel;
    benchmark::DoNotOptimize(&kernel);
  }
}
}  // namespace

BENCHMARK(BM_MixUnityRate)->Arg(1)->Arg(2)->Arg(8);
BENCHMARK(BM_MixCdFilePlus8)->Arg(1)->Arg(2)->Arg(8);
BENCHMARK(BM_Mix48kFilePlus8)->Arg(1)->Arg(2)->Arg(8);
BENCHMARK(BM_MixCdFilePlus8Portable)->Arg(1);
BENCHMARK(BM_MixCdFilePlus8Downmixed)->Arg(1)->Arg(8);
BENCHMARK(BM_Mix96kFile)->Arg(1);
BENCHMARK(BM_BuildKernel)->Unit(benchmark::kMillisecond);
