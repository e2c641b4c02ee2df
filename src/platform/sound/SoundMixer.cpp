#include "platform/sound/SoundMixer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "platform/sound/SincKernel.h"

namespace {
constexpr uint64_t kOne = uint64_t(1) << 32;  // one frame in 32.32 fixed point
// The fraction of a position as a float below 1: its top 24 bits are exact
// in a float, while all 32 could round up to 1.0.
float Fraction(uint64_t position) {
  return float(uint32_t(position) >> 8) * (1.0f / 16777216.0f);
}
// 200 kHz on an 8 kHz device is 25 frames per frame; a larger step would not
// leave room in the scratch for the widened kernel.
constexpr uint64_t kMaxStep = 32 * kOne;
constexpr int kMaxHalfTaps = SincKernel::kHalfTaps * 32;
// Up to 10 % faster than the device, what the kernel lets through above the
// device's Nyquist frequency is at least 23 dB down and folds back above 90 %
// of it (21.6 kHz at 48 kHz), out of hearing. Faster, the kernel is widened
// to lower its cutoff, at several times the cost.
constexpr uint64_t kStretchAbove = kOne + kOne / 10;
// An audio thread stuck in a mix for this long is not waited for any longer.
constexpr auto kStuckMixTimeout = std::chrono::milliseconds(500);

float SampleAt(const TSoundVoice& voice, int64_t frame, int channel) {
  const uint8_t* at = voice.memory.get() + frame * voice.format.nBlockAlign;
  if (voice.format.wBitsPerSample == 16) {
    int16_t sample;
    std::memcpy(&sample, at + 2 * channel, sizeof sample);
    return float(sample) * (1.0f / 32768.0f);
  }
  return float(int(at[channel]) - 128) * (1.0f / 128.0f);
}

// Converts `count` frames from `first` on into the voice's float scratch from
// index `at`, wrapping around a looping buffer and reading silence outside a
// one-shot one.
void FillScratch(TSoundVoice& voice, int at, int64_t first, int count, bool looping) {
  float* left = voice.scratchLeft.data() + at;
  float* right = voice.scratchRight.data() + at;
  const int64_t frames = voice.frames;
  const bool stereo = voice.format.nChannels == 2;
  int64_t frame = looping ? ((first % frames) + frames) % frames : first;
  for (int k = 0; k < count; ++k, ++frame) {
    if (looping && frame == frames) frame = 0;
    if (frame < 0 || frame >= frames) {
      left[k] = right[k] = 0.0f;
      continue;
    }
    left[k] = SampleAt(voice, frame, 0);
    right[k] = stereo ? SampleAt(voice, frame, 1) : left[k];
  }
}

// Both sides through the same weights. Eight running sums break the chain of
// dependent additions, so the compiler can keep several multiplies in flight.
void DotStereo(const float* weights, const float* left, const float* right, int taps, float* yLeft,
               float* yRight) {
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
  *yLeft = *yRight = 0.0f;
  for (int lane = 0; lane < kLanes; ++lane) {
    *yLeft += sumLeft[lane];
    *yRight += sumRight[lane];
  }
}
}  // namespace

SoundMixer::SoundMixer(uint32_t deviceRate) : deviceRate_(deviceRate) {
  SincKernel::Instance();  // built here, never on the audio thread
}

bool SoundMixer::Attach(TSoundVoice* voice) {
  for (auto& slot : voices_) {
    TSoundVoice* empty = nullptr;
    if (slot.compare_exchange_strong(empty, voice, std::memory_order_acq_rel)) return true;
  }
  return false;
}

void SoundMixer::Detach(TSoundVoice* voice) {
  for (auto& slot : voices_) {
    TSoundVoice* expected = voice;
    slot.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
  }
  WaitForRunningMix();
}

// Sequentially consistent with the mixer's epoch step and its read of
// `playing`: either the running mix is seen here, or it sees the change.
void SoundMixer::WaitForRunningMix() {
  const uint64_t running = epoch_.load();
  if ((running & 1) == 0) return;
  const auto deadline = std::chrono::steady_clock::now() + kStuckMixTimeout;
  while (epoch_.load(std::memory_order_acquire) == running &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void SoundMixer::SetDevice(uint32_t deviceRate, uint32_t latencyFrames) {
  deviceRate_.store(deviceRate, std::memory_order_relaxed);
  latencyFrames_.store(latencyFrames, std::memory_order_relaxed);
}

void SoundMixer::Mix(float* out, uint32_t frames) {
  epoch_.fetch_add(1);
  std::fill(out, out + 2 * size_t(frames), 0.0f);
  for (auto& slot : voices_)
    if (TSoundVoice* voice = slot.load(std::memory_order_acquire)) MixVoice(*voice, out, frames);
  for (uint32_t i = 0; i < 2 * frames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
  epoch_.fetch_add(1, std::memory_order_release);
}

void SoundMixer::MixVoice(TSoundVoice& voice, float* out, uint32_t frames) {
  voice.unlocks.load(std::memory_order_acquire);
  const int64_t seek = voice.seekFrame.load(std::memory_order_acquire);
  if (seek != TSoundVoice::kNoSeek) {
    voice.position = uint64_t(seek) << 32;
    voice.anchorFrame = uint32_t(seek);
    voice.framesSinceAnchor = 0;
    voice.historyCount = 0;  // the buffer may hold other audio there by now
  }
  const bool playing = voice.playing.load();
  if (playing != voice.wasPlaying) {
    // A new run of playing (or of silence) is heard from where the mix stands.
    voice.anchorFrame = uint32_t(voice.position >> 32);
    voice.framesSinceAnchor = 0;
    voice.wasPlaying = playing;
    voice.historyCount = 0;
  }
  const uint64_t step = std::min(
      (uint64_t(voice.frequency.load(std::memory_order_relaxed)) << 32) / DeviceRate(), kMaxStep);
  Publish(voice, playing ? step : 0);
  for (uint32_t done = 0; playing && done < frames && voice.playing.load(std::memory_order_relaxed);)
    done += MixRun(voice, out + 2 * size_t(done), frames - done, step);
  voice.mixedFrame.store(uint32_t(voice.position >> 32) % voice.frames, std::memory_order_release);
  int64_t taken = seek;
  if (seek != TSoundVoice::kNoSeek)
    voice.seekFrame.compare_exchange_strong(taken, TSoundVoice::kNoSeek, std::memory_order_acq_rel);
}

// What is heard now: the start of this mix less the device latency, never
// before the start of the current run.
void SoundMixer::Publish(TSoundVoice& voice, uint64_t step) {
  const int64_t latency =
      int64_t((uint64_t(latencyFrames_.load(std::memory_order_relaxed)) * step) >> 32);
  const int64_t heardSinceAnchor = std::max<int64_t>(0, voice.framesSinceAnchor - latency);
  uint64_t heard = uint64_t(voice.anchorFrame) + uint64_t(heardSinceAnchor);
  heard = voice.looping.load(std::memory_order_relaxed) ? heard % voice.frames
                                                         : std::min<uint64_t>(heard, voice.frames);
  voice.heardFrame.store(uint32_t(heard), std::memory_order_release);
}

// Mixes as many of `frames` output frames as one scratch fill allows.
uint32_t SoundMixer::MixRun(TSoundVoice& voice, float* out, uint32_t frames, uint64_t step) {
  const SincKernel& kernel = SincKernel::Instance();
  const bool looping = voice.looping.load(std::memory_order_relaxed);
  const bool stretched = step > kStretchAbove;
  const bool unity = step == kOne && (voice.position & (kOne - 1)) == 0;
  const int halfTaps =
      unity ? 0 : stretched ? int(std::ceil(SincKernel::kHalfTaps * double(step) / kOne))
                            : SincKernel::kHalfTaps;
  const uint64_t room = uint64_t(TSoundVoice::kScratchFrames - 2 * halfTaps - 2) * kOne / step;
  const uint32_t count = uint32_t(std::min<uint64_t>(frames, room));

  const uint64_t start = voice.position;
  const int before = unity ? 0 : halfTaps - 1;  // frames the kernel reads before the position
  const int64_t first = int64_t(start >> 32) - before;
  const int span = int(((start + step * (count - 1)) >> 32) - (start >> 32)) + 2 * halfTaps + 1;
  const int kept = TakeHistory(voice, before, start >> 32);
  FillScratch(voice, kept, first + kept, span - kept, looping);

  const float targetLeft = voice.gainLeft.load(std::memory_order_relaxed);
  const float targetRight = voice.gainRight.load(std::memory_order_relaxed);
  const float rampLeft = (targetLeft - voice.lastGainLeft) / float(count);
  const float rampRight = (targetRight - voice.lastGainRight) / float(count);
  const float scale = stretched ? float(double(kOne) / double(step)) : 1.0f;
  float weights[2 * kMaxHalfTaps];

  uint64_t position = start;
  for (uint32_t k = 0; k < count; ++k, position += step) {
    const int offset = int((position >> 32) - (start >> 32));
    const float* left = voice.scratchLeft.data() + offset;
    const float* right = voice.scratchRight.data() + offset;
    float yLeft, yRight;
    if (unity) {
      yLeft = left[0];
      yRight = right[0];
    } else if (!stretched) {
      kernel.PhaseWeights(Fraction(position), weights);
      DotStereo(weights, left, right, SincKernel::kTaps, &yLeft, &yRight);
    } else {
      const float frac = Fraction(position);
      for (int j = 0; j < 2 * halfTaps; ++j) weights[j] = scale * kernel.At((float(j - halfTaps + 1) - frac) * scale);
      DotStereo(weights, left, right, 2 * halfTaps, &yLeft, &yRight);
    }
    const float gainLeft = k + 1 == count ? targetLeft : voice.lastGainLeft + rampLeft * float(k + 1);
    const float gainRight = k + 1 == count ? targetRight : voice.lastGainRight + rampRight * float(k + 1);
    out[2 * k] += gainLeft * yLeft;
    out[2 * k + 1] += gainRight * yRight;
  }
  voice.lastGainLeft = targetLeft;
  voice.lastGainRight = targetRight;
  voice.framesSinceAnchor += int64_t((position >> 32) - (start >> 32));
  const int consumed = int(int64_t(position >> 32) - first);

  const uint64_t end = uint64_t(voice.frames) << 32;
  if (looping) {
    voice.position = position % end;
  } else if (position >= end) {
    voice.position = 0;  // a one-shot buffer stops at its end and rewinds
    voice.playing.store(false, std::memory_order_release);
  } else {
    voice.position = position;
  }
  KeepHistory(voice, consumed);
  return count;
}

// Puts the frames kept from the last mix at the start of the scratch when
// they lead up to `frame`; returns how many were put there.
int SoundMixer::TakeHistory(TSoundVoice& voice, int needed, uint64_t frame) {
  if (needed == 0 || voice.historyCount < needed || voice.historyEnd != frame) return 0;
  const size_t from = size_t(voice.historyCount - needed);
  std::copy_n(voice.historyLeft.data() + from, needed, voice.scratchLeft.data());
  std::copy_n(voice.historyRight.data() + from, needed, voice.scratchRight.data());
  return needed;
}

// Keeps the last converted frames before the new position for the next mix.
void SoundMixer::KeepHistory(TSoundVoice& voice, int consumed) {
  const int keep = std::min(consumed, TSoundVoice::kHistoryFrames);
  std::copy_n(voice.scratchLeft.data() + consumed - keep, keep, voice.historyLeft.data());
  std::copy_n(voice.scratchRight.data() + consumed - keep, keep, voice.historyRight.data());
  voice.historyCount = voice.playing.load(std::memory_order_relaxed) ? keep : 0;
  voice.historyEnd = voice.position >> 32;
}
