// The device object of the sound-buffer API: one opened output, its mixer,
// and the buffers made on it.
#pragma once
#include <memory>
#include <mutex>
#include <optional>

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
  HRESULT Restore() override;

 private:
  ~TSoundDevice() override = default;

  SoundMixer mixer_{0};
  std::optional<TGuid> device_;
  std::mutex outputMutex_;  // guards output_ and lost_ against a concurrent Restore
  std::unique_ptr<SoundBackend> output_;
  bool lost_ = false;
};
