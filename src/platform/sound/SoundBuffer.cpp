#include "platform/sound/SoundBuffer.h"

#include <cmath>
#include <exception>

#include "platform/sound/SoundMixer.h"

namespace {
// +24 dB: more than any loudness correction asks, short of a mistake's blast.
constexpr float kMaxGainFactor = 15.85f;

// Hundredths of a decibel to an amplitude factor; the minimum is true silence.
float Attenuation(int32_t hundredths) {
  return hundredths <= DSBVOLUME_MIN ? 0.0f : float(std::pow(10.0, hundredths / 2000.0));
}
}  // namespace

TSoundBuffer::TSoundBuffer(TSoundBufferOwner& device, std::unique_ptr<TSoundVoice> voice)
    : device_(device), voice_(std::move(voice)) {}

HRESULT TSoundBuffer::SetFormat(const TWaveFormatEx* format) {
  if (voice_) return DSERR_INVALIDCALL;  // a secondary buffer's format is fixed
  if (!format) return DSERR_INVALIDPARAM;
  if (!IsPlayableFormat(format->pcm)) return DSERR_BADFORMAT;
  primaryFormat_ = *format;
  return DS_OK;
}

HRESULT TSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
                           uint32_t* bytes2, uint32_t flags) {
  if (!voice_) return DSERR_PRIOLEVELNEEDED;  // the primary buffer is the mixer's
  if (!part1 || !bytes1) return DSERR_INVALIDPARAM;
  if (device_.Lost()) return DSERR_BUFFERLOST;
  const uint32_t size = voice_->bytes;
  if (flags & DSBLOCK_ENTIREBUFFER) offset = 0, bytes = size;
  if (flags & DSBLOCK_FROMWRITECURSOR) offset = voice_->mixedFrame.load() * voice_->format.nBlockAlign;
  if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
  const uint32_t first = bytes < size - offset ? bytes : size - offset;
  if (first < bytes && (!part2 || !bytes2)) return DSERR_INVALIDPARAM;
  *part1 = voice_->memory.get() + offset;
  *bytes1 = first;
  if (part2) *part2 = first < bytes ? voice_->memory.get() : nullptr;
  if (bytes2) *bytes2 = bytes - first;
  return DS_OK;
}

bool TSoundBuffer::Contains(const void* part, uint32_t bytes) const {
  const uint8_t* begin = voice_->memory.get();
  const auto* at = static_cast<const uint8_t*>(part);
  return at >= begin && bytes <= voice_->bytes && at - begin <= ptrdiff_t(voice_->bytes - bytes);
}

HRESULT TSoundBuffer::Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2) {
  if (!voice_) return DSERR_INVALIDCALL;
  if (!Contains(part1, bytes1) || (part2 && !Contains(part2, bytes2))) return DSERR_INVALIDPARAM;
  voice_->unlocks.fetch_add(1, std::memory_order_release);  // publishes the written bytes
  return DS_OK;
}

// On a lost output the buffer still takes the command, so that it is heard
// once the output is back; the result tells that it is not heard yet.
HRESULT TSoundBuffer::Play(uint32_t, uint32_t, uint32_t flags) {
  if (!voice_) {
    primaryPlaying_ = true;
  } else {
    voice_->looping.store((flags & DSBPLAY_LOOPING) != 0, std::memory_order_relaxed);
    voice_->playing.store(true, std::memory_order_release);
  }
  return device_.Lost() ? DSERR_BUFFERLOST : DS_OK;
}

// Once Stop returns, the mixer no longer reads the buffer, so it may be
// rewritten anywhere. What was mixed is still played out by the device, so
// the sound stops, and the cursor stands, where the mix stopped.
HRESULT TSoundBuffer::Stop() {
  if (!voice_) {
    primaryPlaying_ = false;
    return DS_OK;
  }
  const bool wasPlaying = voice_->playing.exchange(false);
  device_.Mixer().WaitForRunningMix();
  if (wasPlaying) voice_->heardFrame.store(voice_->mixedFrame.load(), std::memory_order_release);
  return DS_OK;
}

HRESULT TSoundBuffer::GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor) {
  const uint32_t align = voice_ ? voice_->format.nBlockAlign : 0;
  const uint32_t play = voice_ ? voice_->PlayFrame() * align : 0;
  if (playCursor) *playCursor = play;
  if (writeCursor) *writeCursor = voice_ && voice_->playing.load() ? voice_->mixedFrame.load() * align : play;
  return DS_OK;
}

HRESULT TSoundBuffer::SetCurrentPosition(uint32_t playCursor) {
  if (!voice_) return DSERR_INVALIDCALL;
  if (playCursor >= voice_->bytes) return DSERR_INVALIDPARAM;
  voice_->seekFrame.store(playCursor / voice_->format.nBlockAlign, std::memory_order_release);
  return DS_OK;
}

HRESULT TSoundBuffer::SetFrequency(uint32_t hz) {
  if (!voice_) return DSERR_CONTROLUNAVAIL;
  if (hz == DSBFREQUENCY_ORIGINAL) hz = voice_->format.nSamplesPerSec;
  if (hz < DSBFREQUENCY_MIN || hz > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
  voice_->frequency.store(hz, std::memory_order_relaxed);
  return DS_OK;
}

HRESULT TSoundBuffer::GetFrequency(uint32_t* hz) {
  if (!voice_) return DSERR_CONTROLUNAVAIL;
  if (!hz) return DSERR_INVALIDPARAM;
  *hz = voice_->frequency.load(std::memory_order_relaxed);
  return DS_OK;
}

HRESULT TSoundBuffer::SetVolume(int32_t volume) {
  if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  volume_ = volume;
  ApplyGains();
  return DS_OK;
}

HRESULT TSoundBuffer::GetVolume(int32_t* volume) {
  if (!volume) return DSERR_INVALIDPARAM;
  *volume = volume_;
  return DS_OK;
}

HRESULT TSoundBuffer::SetPan(int32_t pan) {
  if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  pan_ = pan;
  ApplyGains();
  return DS_OK;
}

HRESULT TSoundBuffer::GetPan(int32_t* pan) {
  if (!pan) return DSERR_INVALIDPARAM;
  *pan = pan_;
  return DS_OK;
}

HRESULT TSoundBuffer::SetChannelMix(uint32_t mix) {
  if (!voice_) return DSERR_CONTROLUNAVAIL;
  if (mix > DSBMIX_RIGHT) return DSERR_INVALIDPARAM;
  voice_->channelMix.store(mix, std::memory_order_relaxed);
  return DS_OK;
}

HRESULT TSoundBuffer::GetChannelMix(uint32_t* mix) {
  if (!voice_) return DSERR_CONTROLUNAVAIL;
  if (!mix) return DSERR_INVALIDPARAM;
  *mix = voice_->channelMix.load(std::memory_order_relaxed);
  return DS_OK;
}

HRESULT TSoundBuffer::SetGainFactor(float factor) {
  if (!(factor >= 0.0f && factor <= kMaxGainFactor)) return DSERR_INVALIDPARAM;
  gainFactor_ = factor;
  ApplyGains();
  return DS_OK;
}

HRESULT TSoundBuffer::SetKeylock(uint32_t mode) {
  if (!voice_) return DSERR_CONTROLUNAVAIL;
  if (mode > DSBKEYLOCK_FAST) return DSERR_INVALIDPARAM;
  const auto engine = mode == DSBKEYLOCK_FINE ? PitchShifter::Engine::kFine : PitchShifter::Engine::kFast;
  if (mode != DSBKEYLOCK_OFF && (!keylock_ || keylock_->Engine() != engine)) {
    std::unique_ptr<TVoicePitchStage> stage;
    try {
      stage = std::make_unique<TVoicePitchStage>(device_.Mixer().DeviceRate(), engine);
    } catch (const std::exception&) {
      return DSERR_OUTOFMEMORY;
    }
    voice_->keylock.store(nullptr, std::memory_order_release);
    device_.Mixer().WaitForRunningMix();  // no mix reads the old stage any more
    keylock_ = std::move(stage);
  }
  voice_->keylock.store(mode == DSBKEYLOCK_OFF ? nullptr : keylock_.get(), std::memory_order_release);
  return DS_OK;
}

HRESULT TSoundBuffer::SetRateFollower(TVoiceRateFollower* follower) {
  if (!voice_) return DSERR_CONTROLUNAVAIL;
  voice_->follower.store(follower, std::memory_order_release);
  device_.Mixer().WaitForRunningMix();
  return DS_OK;
}

HRESULT TSoundBuffer::SetSourceOrigin(int64_t frame) {
  if (!voice_) return DSERR_CONTROLUNAVAIL;
  voice_->sourceOrigin.store(frame, std::memory_order_relaxed);
  return DS_OK;
}

// Pan to the right lowers the left side and the other way round.
void TSoundBuffer::ApplyGains() {
  if (!voice_) return;
  const float gain = Attenuation(volume_) * gainFactor_;
  voice_->gainLeft.store(gain * (pan_ > 0 ? Attenuation(-pan_) : 1.0f), std::memory_order_relaxed);
  voice_->gainRight.store(gain * (pan_ < 0 ? Attenuation(pan_) : 1.0f), std::memory_order_relaxed);
}

HRESULT TSoundBuffer::GetStatus(uint32_t* status) {
  if (!status) return DSERR_INVALIDPARAM;
  const bool playing = voice_ ? voice_->playing.load() : primaryPlaying_;
  const bool looping = voice_ ? voice_->looping.load() : primaryPlaying_;
  *status = (playing ? DSBSTATUS_PLAYING : 0) | (playing && looping ? DSBSTATUS_LOOPING : 0) |
            (device_.Lost() ? DSBSTATUS_BUFFERLOST : 0);
  return DS_OK;
}

HRESULT TSoundBuffer::Restore() { return device_.Restore(); }

void TSoundBuffer::Release() {
  if (voice_) device_.Mixer().Detach(voice_.get());
  delete this;
}
