// What a sound buffer needs of the device it was made on: the mixer that
// plays it, and whether the output is lost. Narrow, so that a buffer does not
// depend on the device that makes it.
#pragma once
#include "platform/sound/DirectSound.h"

class SoundMixer;

class TSoundBufferOwner {
 public:
  virtual SoundMixer& Mixer() = 0;
  // True from the moment the output stops until it is reopened (Restore
  // asks for an attempt now, without waiting for it).
  virtual bool Lost() = 0;
  virtual HRESULT Restore() = 0;

 protected:
  ~TSoundBufferOwner() = default;
};

// True when the format is one a secondary buffer can play: PCM, 8-bit
// unsigned or 16-bit signed, one or two channels, 100 Hz to 200 kHz.
bool IsPlayableFormat(const TPCMWaveFormat& format);
