// The software mixer: every playing voice, resampled from its own frequency
// to the device rate, with its gains, summed in float and clipped.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "platform/sound/SincKernel.h"
#include "platform/sound/SoundVoice.h"
#include "platform/sound/VoicePitchStage.h"

class SoundMixer {
 public:
  static constexpr int kMaxVoices = 32;

  // The kernel must be built before, never on the audio thread.
  explicit SoundMixer(uint32_t deviceRate, const SincKernel& kernel = SincKernel::Instance());

  // Control side. Attach returns false when every slot is taken. Detach
  // returns once the audio thread can no longer be reading the voice.
  bool Attach(TSoundVoice* voice);
  void Detach(TSoundVoice* voice);
  // Returns once a Mix call running now has ended; one started later sees
  // whatever the caller changed before.
  void WaitForRunningMix();

  // The device's rate and how many device frames lie between a mixed frame
  // and the moment it is heard; both may change when the device reopens.
  void SetDevice(uint32_t deviceRate, uint32_t latencyFrames);
  uint32_t DeviceRate() const { return deviceRate_.load(std::memory_order_relaxed); }
  uint32_t LatencyFrames() const { return latencyFrames_.load(std::memory_order_relaxed); }

  // Audio side: writes `frames` interleaved stereo float frames. Never blocks,
  // never allocates. `outputFrame` is the output's count of frames at the
  // first of them, where it keeps one; else the mixer counts what it mixed.
  static constexpr int64_t kCountedFrames = -1;
  void Mix(float* out, uint32_t frames, int64_t outputFrame = kCountedFrames);

 private:
  void MixVoice(TSoundVoice& voice, float* out, uint32_t frames);
  TVoicePlan AskFollower(TSoundVoice& voice, uint32_t frames, bool playing, bool seeked) const;
  uint64_t StepOf(const TSoundVoice& voice, const TVoicePlan& plan) const;
  uint32_t MixRun(TSoundVoice& voice, float* out, uint32_t frames, uint64_t step);
  void PlayUnheard(TSoundVoice& voice, uint32_t frames, uint64_t step);
  template <class Sink>
  uint32_t ResampleRun(TSoundVoice& voice, uint32_t frames, uint64_t step, Sink&& sink);
  static void LeaveStage(TSoundVoice& voice);
  static void StartStageRun(TSoundVoice& voice, TVoicePitchStage& stage, double pitchScale);
  void MixThroughStage(TSoundVoice& voice, float* out, uint32_t frames, uint64_t step);
  uint32_t FeedStage(TSoundVoice& voice, TVoicePitchStage& stage, uint64_t step);
  void Resample(const TSoundVoice& voice, uint64_t position, uint64_t step, int halfTaps, uint32_t count,
                float* heard) const;
  void Publish(TSoundVoice& voice, uint64_t step);
  static int TakeHistory(TSoundVoice& voice, int needed, uint64_t frame);
  static void KeepHistory(TSoundVoice& voice, int consumed);

  const SincKernel& kernel_;
  std::array<std::atomic<TSoundVoice*>, kMaxVoices> voices_{};
  std::atomic<uint32_t> deviceRate_;
  std::atomic<uint32_t> latencyFrames_{0};
  std::atomic<uint64_t> epoch_{0};  // odd while a Mix call runs
  int64_t outputFrame_ = 0;          // the audio thread's: the output's frame at the mix being made
};
