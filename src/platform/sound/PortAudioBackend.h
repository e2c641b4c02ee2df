// The real output: PortAudio, with ALSA, PulseAudio/PipeWire and JACK behind it.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound/SoundBackend.h"

class PortAudioBackend : public SoundBackend {
 public:
  static std::vector<TOutputDevice> List();
  static std::unique_ptr<PortAudioBackend> Open(const TGuid* device, SoundMixer& mixer, HRESULT* error);
  ~PortAudioBackend() override;

  // Audio thread only: fills `frames` device frames with the mix.
  void Pull(float* out, unsigned long frames);

  uint32_t Rate() const override { return rate_; }
  uint32_t LatencyFrames() const override { return latencyFrames_; }
  bool Failed() const override;

 private:
  explicit PortAudioBackend(SoundMixer& mixer) : mixer_(mixer) {}

  SoundMixer& mixer_;
  void* stream_ = nullptr;
  uint32_t rate_ = 0;
  uint32_t latencyFrames_ = 0;
  int channels_ = 2;
  std::vector<float> monoMix_;  // stereo mix for a one-channel device
  std::atomic<int64_t> lastCallbackNanos_{0};
};
