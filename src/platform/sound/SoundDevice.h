// The device object of the sound-buffer API: one opened output, its mixer,
// and the buffers made on it. An output that goes away (the sound server
// ended) is reopened in the background, so that buffers that were playing
// are heard again as soon as it is back, without anyone waiting for it.
#pragma once
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/sound/DirectSound.h"
#include "platform/sound/SoundBackend.h"
#include "platform/sound/SoundBufferOwner.h"
#include "platform/sound/SoundMixer.h"

class TSoundDevice final : public IDirectSound, public TSoundBufferOwner {
 public:
  // Opens the output; DS_OK or the reason it could not.
  HRESULT Open(const TGuid* device);

  HRESULT SetCooperativeLevel(void* window, uint32_t level) override;
  HRESULT CreateSoundBuffer(const TDSBufferDesc* desc, IDirectSoundBuffer** buffer, void* outer) override;
  void Release() override;

  SoundMixer& Mixer() override { return mixer_; }
  bool Lost() override;
  // Never waits for the output: asks the reconnection for an attempt now.
  HRESULT Restore() override;

 private:
  ~TSoundDevice() override = default;
  bool LostLocked();
  void Reconnect();

  SoundMixer mixer_{0};
  std::optional<TGuid> device_;
  std::mutex outputMutex_;  // guards the members below
  std::unique_ptr<SoundBackend> output_;
  bool lost_ = false;
  bool retryNow_ = false;
  bool releasing_ = false;
  std::condition_variable reconnectWake_;
  std::thread reconnector_;  // runs while the output is lost
};
