// A sound buffer of the sound-buffer API: a secondary buffer is a voice of
// the device's mixer; the primary buffer only holds the output format.
#pragma once
#include <memory>

#include "platform/sound/DirectSound.h"
#include "platform/sound/SoundBufferOwner.h"
#include "platform/sound/SoundVoice.h"
#include "platform/sound/VoicePitchStage.h"

class TSoundBuffer final : public IDirectSoundBuffer {
 public:
  // A null voice makes the primary buffer.
  TSoundBuffer(TSoundBufferOwner& device, std::unique_ptr<TSoundVoice> voice);

  HRESULT SetFormat(const TWaveFormatEx* format) override;
  HRESULT Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2, uint32_t* bytes2,
               uint32_t flags) override;
  HRESULT Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2) override;
  HRESULT Play(uint32_t reserved, uint32_t priority, uint32_t flags) override;
  HRESULT Stop() override;
  HRESULT GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor) override;
  HRESULT SetCurrentPosition(uint32_t playCursor) override;
  HRESULT SetFrequency(uint32_t hz) override;
  HRESULT GetFrequency(uint32_t* hz) override;
  HRESULT SetVolume(int32_t volume) override;
  HRESULT GetVolume(int32_t* volume) override;
  HRESULT SetPan(int32_t pan) override;
  HRESULT GetPan(int32_t* pan) override;
  HRESULT SetChannelMix(uint32_t mix) override;
  HRESULT GetChannelMix(uint32_t* mix) override;
  HRESULT SetGainFactor(float factor) override;
  HRESULT SetKeylock(uint32_t mode) override;
  HRESULT SetRateFollower(TVoiceRateFollower* follower) override;
  HRESULT SetSourceOrigin(int64_t frame) override;
  HRESULT GetStatus(uint32_t* status) override;
  HRESULT Restore() override;
  void Release() override;

 private:
  ~TSoundBuffer() override = default;
  void ApplyGains();
  bool Contains(const void* part, uint32_t bytes) const;

  TSoundBufferOwner& device_;
  std::unique_ptr<TSoundVoice> voice_;
  std::unique_ptr<TVoicePitchStage> keylock_;  // kept while off, so that it returns at once
  TWaveFormatEx primaryFormat_{};
  bool primaryPlaying_ = false;
  int32_t volume_ = DSBVOLUME_MAX;
  int32_t pan_ = 0;
  float gainFactor_ = 1.0f;
};

constexpr uint32_t DSBLOCK_FROMWRITECURSOR = 0x00000001;
constexpr uint32_t DSBLOCK_ENTIREBUFFER = 0x00000002;
