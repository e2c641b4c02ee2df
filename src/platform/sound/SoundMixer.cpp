#include "platform/sound/SoundMixer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/kernel/KernelCheck.h"
#include "platform/sound/DirectSound.h"
#include "platform/sound/SincKernel.h"

namespace {
constexpr uint64_t kOne = uint64_t(1) << 32;  // one frame in 32.32 fixed point
// 200 kHz on an 8 kHz device is 25 frames per frame; a larger step would not
// leave room in the scratch for the widened kernel.
constexpr uint64_t kMaxStep = 32 * kOne;
static_assert(SincKernel::kMaxHalfTaps >= SincKernel::kHalfTaps * int(kMaxStep / kOne));
// Up to 10 % faster than the device, what the kernel lets through above the
// device's Nyquist frequency is at least 23 dB down and folds back above 90 %
// of it (21.6 kHz at 48 kHz), out of hearing. Faster, the kernel is widened
// to lower its cutoff, at several times the cost.
constexpr uint64_t kStretchAbove = kOne + kOne / 10;
// Output frames resampled at a time before their gains are applied.
constexpr uint32_t kBatch = 64;
// While a keylock run fills the pitch stage, each mix may feed it this many
// times its own length: the run is heard a few periods after it starts (about
// 20 ms at 256 frames), at a few times the steady cost for those periods.
constexpr uint32_t kStageCatchUp = 5;
// Once it sounds, the stage is fed what it asks for: on average what the mix
// takes, but the library works in hops, which may ask for this much more at once.
constexpr uint32_t kStageHopSlack = 8 * TVoicePitchStage::kBlockFrames;
// An audio thread stuck in a mix for this long is not waited for any longer.
constexpr auto kStuckMixTimeout = std::chrono::milliseconds(500);

// Sample `index` of a run of 8- or 16-bit samples, little-endian.
template <int kBits>
float SampleAt(const uint8_t* from, int index) {
  if constexpr (kBits == 16)
    return float(int16_t(from[2 * index] | from[2 * index + 1] << 8)) * (1.0f / 32768.0f);
  else
    return float(int(from[index]) - 128) * (1.0f / 128.0f);
}

// One loop per format, without a branch per sample.
template <int kBits, int kChannels>
void Convert(const uint8_t* from, int count, float* left, float* right) {
  for (int k = 0; k < count; ++k) {
    left[k] = SampleAt<kBits>(from, kChannels * k);
    right[k] = SampleAt<kBits>(from, kChannels * k + kChannels - 1);
  }
}

// Converts `count` frames from `frame` on, all inside the buffer; a mono
// voice reads the same on both sides.
void ConvertFrames(const TSoundVoice& voice, int64_t frame, int count, float* left, float* right) {
  const uint8_t* from = voice.memory.get() + frame * voice.format.nBlockAlign;
  const bool stereo = voice.format.nChannels == 2;
  if (voice.format.wBitsPerSample == 16)
    stereo ? Convert<16, 2>(from, count, left, right) : Convert<16, 1>(from, count, left, right);
  else
    stereo ? Convert<8, 2>(from, count, left, right) : Convert<8, 1>(from, count, left, right);
}

// Converts `count` frames from `first` on into the voice's float scratch from
// index `at`, wrapping around a looping buffer and reading silence outside a
// one-shot one.
void FillScratch(TSoundVoice& voice, int at, int64_t first, int count, bool looping) {
  float* left = voice.scratchLeft.data() + at;
  float* right = voice.scratchRight.data() + at;
  const int64_t frames = voice.frames;
  int64_t frame = looping ? ((first % frames) + frames) % frames : first;
  while (count > 0) {
    int n;
    if (frame < 0 || frame >= frames) {
      n = frame < 0 ? int(std::min<int64_t>(count, -frame)) : count;
      std::fill_n(left, n, 0.0f);
      std::fill_n(right, n, 0.0f);
    } else {
      n = int(std::min<int64_t>(count, frames - frame));
      ConvertFrames(voice, frame, n, left, right);
    }
    left += n;
    right += n;
    count -= n;
    frame += n;
    if (looping && frame == frames) frame = 0;
  }
}

// The gains the controls ask for now: a channel mix folds a stereo voice into
// one side, which that side's volume and pan then weigh; mono is on both
// sides already.
TVoiceGains TargetGains(const TSoundVoice& voice) {
  const float left = voice.gainLeft.load(std::memory_order_relaxed);
  const float right = voice.gainRight.load(std::memory_order_relaxed);
  const uint32_t mix = voice.format.nChannels == 2 ? voice.channelMix.load(std::memory_order_relaxed) : DSBMIX_NONE;
  if (mix == DSBMIX_LEFT) return {{0.5f * left, 0.5f * left, 0.0f, 0.0f}};
  if (mix == DSBMIX_RIGHT) return {{0.0f, 0.0f, 0.5f * right, 0.5f * right}};
  return {{left, 0.0f, 0.0f, right}};
}

// Adds `n` interleaved stereo frames of `heard`, `done` frames into a run of
// `count`, to `out` through gains that move from `from` to `to` in equal
// steps over the run and land exactly on `to` at its last frame. Uncrossed
// gains weigh each side by its own channel alone.
template <bool kCrossed>
void AddWeighed(const float* heard, uint32_t n, uint32_t done, uint32_t count, const TVoiceGains& from,
                const TVoiceGains& to, float* out) {
  float step[4];
  for (int j = 0; j < 4; ++j) step[j] = (to.of[j] - from.of[j]) / float(count);
  for (uint32_t k = 0; k < n; ++k) {
    const uint32_t after = done + k + 1;  // frames into the run, this one included
    const bool last = after == count;
    auto gain = [&](int j) { return last ? to.of[j] : from.of[j] + step[j] * float(after); };
    const float left = heard[2 * k], right = heard[2 * k + 1];
    if constexpr (kCrossed) {
      out[2 * k] += gain(TVoiceGains::kLeftFromLeft) * left + gain(TVoiceGains::kLeftFromRight) * right;
      out[2 * k + 1] += gain(TVoiceGains::kRightFromLeft) * left + gain(TVoiceGains::kRightFromRight) * right;
    } else {
      out[2 * k] += gain(TVoiceGains::kLeftFromLeft) * left;
      out[2 * k + 1] += gain(TVoiceGains::kRightFromRight) * right;
    }
  }
}
// The pitch shift that undoes the voice's speed-up, `step` on a device of `deviceRate`.
double PitchScale(const TSoundVoice& voice, uint64_t step, uint32_t deviceRate) {
  const double frequency = double(step) * deviceRate / double(kOne);
  return double(voice.format.nSamplesPerSec) / std::max(frequency, 1.0);
}

// A position past the end of the buffer, brought back inside.
uint64_t Wrapped(const TSoundVoice& voice, uint64_t position) {
  const uint64_t end = uint64_t(voice.frames) << 32;
  return voice.looping.load(std::memory_order_relaxed) ? position % end : std::min(position, end);
}
}  // namespace

SoundMixer::SoundMixer(uint32_t deviceRate, const SincKernel& kernel) : kernel_(kernel), deviceRate_(deviceRate) {}

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
  while (epoch_.load(std::memory_order_acquire) == running && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void SoundMixer::SetDevice(uint32_t deviceRate, uint32_t latencyFrames) {
  deviceRate_.store(deviceRate, std::memory_order_relaxed);
  latencyFrames_.store(latencyFrames, std::memory_order_relaxed);
}

void SoundMixer::Mix(float* out, uint32_t frames, int64_t outputFrame) {
  KernelRealtimeScope realtime;
  epoch_.fetch_add(1);
  if (outputFrame != kCountedFrames) outputFrame_ = outputFrame;
  std::fill(out, out + 2 * size_t(frames), 0.0f);
  for (auto& slot : voices_)
    if (TSoundVoice* voice = slot.load(std::memory_order_acquire)) MixVoice(*voice, out, frames);
  for (uint32_t i = 0; i < 2 * frames; ++i) out[i] = std::min(std::max(out[i], -1.0f), 1.0f);
  outputFrame_ += frames;
  epoch_.fetch_add(1, std::memory_order_release);
}

void SoundMixer::MixVoice(TSoundVoice& voice, float* out, uint32_t frames) {
  voice.unlocks.load(std::memory_order_acquire);
  const int64_t seek = voice.seekFrame.load(std::memory_order_acquire);
  bool newRun = false;
  if (seek != TSoundVoice::kNoSeek) {
    if (voice.stage) LeaveStage(voice);  // a seek restarts any stage run
    voice.position = uint64_t(seek) << 32;
    voice.anchorFrame = uint32_t(seek);
    voice.framesSinceAnchor = 0;
    voice.origin = voice.sourceOrigin.load(std::memory_order_relaxed);
    voice.laps = voice.anchorLaps = 0;
    voice.historyCount = 0;  // the buffer may hold other audio there by now
    newRun = true;
  }
  const bool asked = voice.playing.load();
  const TVoicePlan plan = AskFollower(voice, frames, asked, seek != TSoundVoice::kNoSeek);
  // A start held for the whole of this mix is not heard yet.
  const uint32_t hold = asked ? std::min(plan.holdFrames, frames) : 0;
  const bool playing = asked && hold < frames;
  out += 2 * size_t(hold);
  frames -= hold;
  TVoicePitchStage* const stage = playing ? voice.keylock.load(std::memory_order_acquire) : nullptr;
  if (voice.stage && voice.stage != stage) LeaveStage(voice);
  if (playing != voice.wasPlaying) {
    // A new run of playing (or of silence) is heard from where the mix stands.
    voice.anchorFrame = uint32_t(voice.position >> 32);
    voice.framesSinceAnchor = 0;
    voice.anchorLaps = voice.laps;
    voice.wasPlaying = playing;
    voice.historyCount = 0;
    voice.lastGains = TargetGains(voice);  // nothing was heard to ramp from
    newRun = true;
  }
  const uint64_t step = StepOf(voice, plan);
  if (playing && !stage && !newRun) PlayUnheard(voice, plan.skipFrames, step);
  if (stage && (newRun || voice.stage != stage)) StartStageRun(voice, *stage, PitchScale(voice, step, DeviceRate()));
  Publish(voice, playing ? step : 0);
  if (voice.stage) MixThroughStage(voice, out, frames, step);
  for (uint32_t done = 0; !voice.stage && playing && done < frames && voice.playing.load(std::memory_order_relaxed);)
    done += MixRun(voice, out + 2 * size_t(done), frames - done, step);
  voice.mixedFrame.store(uint32_t(voice.position >> 32) % voice.frames, std::memory_order_release);
  int64_t taken = seek;
  if (seek != TSoundVoice::kNoSeek)
    voice.seekFrame.compare_exchange_strong(taken, TSoundVoice::kNoSeek, std::memory_order_acq_rel);
}

// Moves the voice on by `frames` output frames at `step`, as if they were
// heard: its position, run and history stay as after playing them.
void SoundMixer::PlayUnheard(TSoundVoice& voice, uint32_t frames, uint64_t step) {
  float unheard[2 * kBatch] = {};
  for (uint32_t done = 0; done < frames && voice.playing.load(std::memory_order_relaxed);)
    done += MixRun(voice, unheard, std::min(frames - done, kBatch), step);
}

// The voice's rate for this mix: the follower's when it has one.
uint64_t SoundMixer::StepOf(const TSoundVoice& voice, const TVoicePlan& plan) const {
  const uint64_t step =
      plan.frequency > 0 ? uint64_t(plan.frequency * double(kOne) / DeviceRate())
                         : (uint64_t(voice.frequency.load(std::memory_order_relaxed)) << 32) / DeviceRate();
  return std::min(step, kMaxStep);
}

// The follower hears of every mix, with the source frame this one starts
// from: through keylock, the frame the stage gives out next.
TVoicePlan SoundMixer::AskFollower(TSoundVoice& voice, uint32_t frames, bool playing, bool seeked) const {
  TVoiceRateFollower* const follower = voice.follower.load(std::memory_order_acquire);
  if (!follower) return {};
  const double mixed = voice.stage ? double(voice.anchorLaps + voice.anchorFrame) + double(voice.framesSinceAnchor)
                                   : double(voice.laps) + double(voice.position) / double(kOne);
  const TVoicePeriod period{double(outputFrame_), frames, DeviceRate(), LatencyFrames(), double(voice.origin) + mixed,
                            playing, seeked, voice.keylock.load(std::memory_order_relaxed) != nullptr};
  return follower->PlanPeriod(period);
}

// What is heard now: the start of this mix less the device latency, never
// before the start of the current run.
void SoundMixer::Publish(TSoundVoice& voice, uint64_t step) {
  const int64_t latency = int64_t((uint64_t(latencyFrames_.load(std::memory_order_relaxed)) * step) >> 32);
  const int64_t heardSinceAnchor = std::max<int64_t>(0, voice.framesSinceAnchor - latency);
  uint64_t heard = uint64_t(voice.anchorFrame) + uint64_t(heardSinceAnchor);
  heard =
      voice.looping.load(std::memory_order_relaxed) ? heard % voice.frames : std::min<uint64_t>(heard, voice.frames);
  voice.heardFrame.store(uint32_t(heard), std::memory_order_release);
}

// The voice's sound at `count` positions `step` apart from `position` on, as
// interleaved stereo. Positions are 32.32 fixed-point frames from the first
// frame of the scratch the kernel reads: `halfTaps` 0 passes frames through
// at unity rate, kHalfTaps takes the kernel's own table, more widens it.
void SoundMixer::Resample(const TSoundVoice& voice, uint64_t position, uint64_t step, int halfTaps, uint32_t count,
                          float* heard) const {
  const float* left = voice.scratchLeft.data();
  const float* right = voice.scratchRight.data();
  if (halfTaps == 0) {
    const size_t first = size_t(position >> 32);
    for (uint32_t k = 0; k < count; ++k) {
      heard[2 * k] = left[first + k];
      heard[2 * k + 1] = right[first + k];
    }
  } else if (halfTaps == SincKernel::kHalfTaps) {
    kernel_.Resample(left, right, position, step, int(count), heard);
  } else {
    kernel_.ResampleWide(left, right, position, step, halfTaps, int(count), heard);
  }
}

// Mixes as many of `frames` output frames as one scratch fill allows.
uint32_t SoundMixer::MixRun(TSoundVoice& voice, float* out, uint32_t frames, uint64_t step) {
  const TVoiceGains target = TargetGains(voice);
  const bool crossed = target.Crossed() || voice.lastGains.Crossed();
  const uint32_t count =
      ResampleRun(voice, frames, step, [&](const float* heard, uint32_t n, uint32_t done, uint32_t count) {
        float* to = out + 2 * size_t(done);
        crossed ? AddWeighed<true>(heard, n, done, count, voice.lastGains, target, to)
                : AddWeighed<false>(heard, n, done, count, voice.lastGains, target, to);
      });
  voice.lastGains = target;
  return count;
}

// Resamples as many of `frames` output frames as one scratch fill allows and
// hands them to `sink` in batches (interleaved, n, frames done, count); moves
// the voice on by what it resampled and returns the count.
template <class Sink>
uint32_t SoundMixer::ResampleRun(TSoundVoice& voice, uint32_t frames, uint64_t step, Sink&& sink) {
  const bool looping = voice.looping.load(std::memory_order_relaxed);
  const bool stretched = step > kStretchAbove;
  const bool unity = step == kOne && (voice.position & (kOne - 1)) == 0;
  const int halfTaps = unity       ? 0
                       : stretched ? int(std::ceil(SincKernel::kHalfTaps * double(step) / kOne))
                                   : SincKernel::kHalfTaps;
  const uint64_t room = uint64_t(TSoundVoice::kScratchFrames - 2 * halfTaps - 2) * kOne / step;
  const uint32_t count = uint32_t(std::min<uint64_t>(frames, room));

  const uint64_t start = voice.position;
  const int before = unity ? 0 : halfTaps - 1;  // frames the kernel reads before the position
  const int64_t first = int64_t(start >> 32) - before;
  const int span = int(((start + step * (count - 1)) >> 32) - (start >> 32)) + 2 * halfTaps + 1;
  const int kept = TakeHistory(voice, before, start >> 32);
  FillScratch(voice, kept, first + kept, span - kept, looping);

  float heard[2 * kBatch];
  for (uint32_t done = 0; done < count; done += kBatch) {
    const uint32_t n = std::min(count - done, kBatch);
    Resample(voice, (start & (kOne - 1)) + done * step, step, halfTaps, n, heard);
    sink(heard, n, done, count);
  }
  const uint64_t position = start + count * step;
  voice.framesSinceAnchor += int64_t((position >> 32) - (start >> 32));
  const int consumed = int(int64_t(position >> 32) - first);

  const uint64_t end = uint64_t(voice.frames) << 32;
  if (looping) {
    if (position >= end) voice.laps += voice.frames;
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

// Keylock ends for this run (turned off, stopped, or another stage): the
// voice goes on from what the stage gave out, not from the resampler's lead.
void SoundMixer::LeaveStage(TSoundVoice& voice) {
  const uint64_t heard = voice.anchorLaps + voice.anchorFrame + uint64_t(voice.framesSinceAnchor);
  voice.position = voice.stageHeard;
  voice.laps = heard - std::min(heard, voice.position >> 32);
  voice.anchorFrame = uint32_t(voice.position >> 32);
  voice.framesSinceAnchor = 0;
  voice.anchorLaps = voice.laps;
  voice.historyCount = 0;
  voice.stage = nullptr;
}

// A run through the stage starts where the voice stands; until the stage
// has filled, it is silent, and the heard position stays at its start.
void SoundMixer::StartStageRun(TSoundVoice& voice, TVoicePitchStage& stage, double pitchScale) {
  voice.stage = &stage;
  voice.anchorFrame = uint32_t(voice.position >> 32);
  voice.framesSinceAnchor = 0;
  voice.anchorLaps = voice.laps;
  voice.historyCount = 0;
  voice.stageHeard = voice.position;
  stage.Restart(voice.position & (kOne - 1), pitchScale);
}

// Mixes `frames` output frames taken from the stage, fed from the resampler
// as it asks, within the catch-up budget.
void SoundMixer::MixThroughStage(TSoundVoice& voice, float* out, uint32_t frames, uint64_t step) {
  TVoicePitchStage& stage = *voice.stage;
  const TVoiceGains target = TargetGains(voice);
  const bool crossed = target.Crossed() || voice.lastGains.Crossed();
  float heard[2 * TVoicePitchStage::kBlockFrames];  // few, large takes: the library's cost is per call
  uint32_t given = 0, fed = 0;
  while (given < frames && voice.playing.load(std::memory_order_relaxed)) {
    if (const uint32_t n = stage.Take(heard, std::min(frames - given, TVoicePitchStage::kBlockFrames))) {
      float* to = out + 2 * size_t(given);
      crossed ? AddWeighed<true>(heard, n, given, frames, voice.lastGains, target, to)
              : AddWeighed<false>(heard, n, given, frames, voice.lastGains, target, to);
      given += n;
    } else if (fed < (stage.Sounding() ? frames + kStageHopSlack : kStageCatchUp * frames)) {
      fed += FeedStage(voice, stage, step);
    } else {
      break;  // still filling (or late): the rest of this period is silent
    }
  }
  voice.lastGains = target;
  const uint64_t heardSource = stage.HeardSource();
  voice.framesSinceAnchor = int64_t(heardSource >> 32);
  voice.stageHeard = Wrapped(voice, (uint64_t(voice.anchorFrame) << 32) + heardSource);
}

// Gives the stage the padding of a new run, else the resampled frames it
// wants next; returns how many frames it fed.
uint32_t SoundMixer::FeedStage(TSoundVoice& voice, TVoicePitchStage& stage, uint64_t step) {
  if (const uint32_t padding = stage.FeedPadding()) return padding;
  stage.FollowRate((uint64_t(voice.format.nSamplesPerSec) << 32) / DeviceRate());
  const uint32_t wanted = stage.FramesWanted();
  float* left = stage.InputLeft();
  float* right = stage.InputRight();
  uint32_t count = 0;
  while (count < wanted && voice.playing.load(std::memory_order_relaxed))
    count += ResampleRun(voice, wanted - count, step, [&](const float* heard, uint32_t n, uint32_t done, uint32_t) {
      for (uint32_t k = 0; k < n; ++k) {
        left[count + done + k] = heard[2 * k];
        right[count + done + k] = heard[2 * k + 1];
      }
    });
  stage.Feed(count, step);
  return std::max(count, 1u);
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
