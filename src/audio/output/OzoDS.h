// The output device and sound-buffer wrappers, and the output-device list.
#pragma once
#include <cstdint>

#include "foundation/StringList.h"
#include "platform/sound/DirectSound.h"

class TOzoAudioTAG;

// What the song engine hands to TOzoAudioTAG::Open.
struct TOzoAudioConfig {
  uint32_t flags;               // bit 0: start the primary buffer playing
  const TGuid* device;          // null: the default output
  void* ownerWindow;            // headless engine: may stay null
  const TWaveFormatEx* format;  // null: 44100 Hz, 16-bit stereo PCM
};

constexpr uint32_t kAudioStartPrimary = 1;

// CreateSecondary flags.
constexpr uint32_t kBufferSizeInMs = 1;
constexpr uint32_t kBufferRoundToGranule = 2;
constexpr uint32_t kBufferLooping = 4;

class TOzoSoundBufferTAG {
 public:
  TOzoSoundBufferTAG() = default;
  virtual ~TOzoSoundBufferTAG() { ReleaseBuffer(); }
  TOzoSoundBufferTAG(const TOzoSoundBufferTAG&) = delete;
  TOzoSoundBufferTAG& operator=(const TOzoSoundBufferTAG&) = delete;

  int CreatePrimary(IDirectSound* directSound, const TWaveFormatEx* format);
  int CreateSecondary(TOzoAudioTAG* device, const TWaveFormatEx* format, uint32_t size, uint32_t flags,
                      uint32_t granule);
  void ReleaseBuffer();

  // A range that does not lie inside the buffer is refused.
  int Lock(uint32_t offset, uint32_t bytes, void** memory);
  int Unlock();
  void Play();
  void Stop();
  void SetPlayPosition(uint32_t bytes);
  uint32_t GetPlayCursor();
  int IsPlaying();
  // Nonzero while the output the buffer plays to is gone; it comes back by itself.
  int IsLost();
  void SetFrequency(uint32_t hz);
  uint32_t GetFrequency();  // 0 without a buffer

  // Volume 0..100 on a perceptual curve; mute plays the mute level instead.
  // Virtual, so that a wrapper that tells others of the change is told of
  // it through any pointer.
  virtual void SetVolume(unsigned volume);
  virtual void Mute();
  virtual void Unmute();
  unsigned EffectiveVolume() const;
  // Balance -100 (left only) .. 100 (right only).
  virtual void SetPan(int pan);
  int GetPan() const { return Valid ? Pan : 0; }
  // A stereo buffer's channels folded into one side (DSBMIX_*), heard at once.
  // Takes no lock: the level meter calls it under its own.
  void SetChannelMix(uint32_t mix);
  uint32_t GetChannelMix();  // DSBMIX_NONE without a buffer
  // The track's loudness correction as an amplitude factor, heard at once
  // with volume and pan.
  void SetGainFactor(float factor);
  // Keylock (DSBKEYLOCK_*), for this buffer and every one made after it.
  // Turning it on prepares the pitch stage here, on the caller's thread.
  void SetKeylock(uint32_t mode);
  uint32_t GetKeylock() const { return Keylock; }
  // Beat sync: sets the rate of each mix, for this buffer and every one made
  // after it (null: none). The follower must outlive its use.
  void SetRateFollower(TVoiceRateFollower* follower);
  // The track frame the buffer's first byte holds, for the follower; the
  // next SetPlayPosition takes it along.
  void SetSourceOrigin(int64_t frame);

  uint32_t GetSize() const { return Valid ? Size : 0; }
  uint16_t GetChannels() const { return Valid ? Channels : 0; }
  uint16_t GetBitsPerSample() const { return Valid ? BitsPerSample : 0; }
  uint16_t GetBlockAlign() const { return Valid ? BlockAlign : 0; }
  uint32_t GetSampleRate() const { return Valid ? SampleRate : 0; }

  uint32_t Size = 0;
  uint32_t SampleRate = 0;
  uint16_t BitsPerSample = 0;
  uint16_t Channels = 0;
  uint32_t BytesPerSec = 0;
  uint16_t BlockAlign = 0;
  int Valid = 0;
  int PlayFlags = 0;
  int Muted = 0;
  unsigned Volume = 100;
  int Pan = 0;
  uint32_t Keylock = DSBKEYLOCK_OFF;
  TVoiceRateFollower* Follower = nullptr;
  unsigned MuteLevel = 0;
  void* LockPtr1 = nullptr;
  void* LockPtr2 = nullptr;
  uint32_t LockLen1 = 0;
  uint32_t LockLen2 = 0;
  IDirectSoundBuffer* Buffer = nullptr;
  TOzoAudioTAG* Owner = nullptr;

 private:
  void StoreFormat(const TWaveFormatEx* format);
  void ApplyVolume(unsigned volume);
};

class TOzoAudioTAG {
 public:
  TOzoAudioTAG() = default;
  ~TOzoAudioTAG() { Close(); }
  TOzoAudioTAG(const TOzoAudioTAG&) = delete;
  TOzoAudioTAG& operator=(const TOzoAudioTAG&) = delete;

  // 0, -1 after a report, or -2 when the primary buffer has reported.
  int Open(TOzoAudioConfig* config);
  void Close();

  IDirectSound* DirectSound = nullptr;
  TOzoSoundBufferTAG* Primary = nullptr;
  int Opened = 0;
};

// Milliseconds of `format` in bytes, rounded down to whole frames.
uint32_t MsToBytes(uint32_t ms, const TWaveFormatEx* format);

// The perceptual level curve: 0 -> 0, +-100 -> +-100, logarithmic between.
double VolumeLevel(int percent);

// Fills list with the output devices: descriptions, each with a heap copy of
// its device id as the item's object (null for the default output). Returns the count.
int EnumerateDevices(TStringList& list);
// Frees the id copies EnumerateDevices made; the descriptions stay.
void FreeDeviceList(TStringList& list);
