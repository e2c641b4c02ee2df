// Our sound-buffer API: the calls, result codes and behaviour of the sound
// service the deck was designed for, on a software mixer of our own.
#pragma once
#include <cstdint>

#include "platform/ComResult.h"
#include "platform/sound/RateFollower.h"
#include "platform/wave/WaveFormat.h"

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_ALLOCATED = MakeResult(0x8878000A);
constexpr HRESULT DSERR_CONTROLUNAVAIL = MakeResult(0x8878001E);
constexpr HRESULT DSERR_INVALIDCALL = MakeResult(0x88780032);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = MakeResult(0x88780046);
constexpr HRESULT DSERR_BADFORMAT = MakeResult(0x88780064);
constexpr HRESULT DSERR_NODRIVER = MakeResult(0x88780078);
constexpr HRESULT DSERR_ALREADYINITIALIZED = MakeResult(0x88780082);
constexpr HRESULT DSERR_BUFFERLOST = MakeResult(0x88780096);
constexpr HRESULT DSERR_OTHERAPPHASPRIO = MakeResult(0x887800A0);
constexpr HRESULT DSERR_UNINITIALIZED = MakeResult(0x887800AA);
constexpr HRESULT DSERR_UNSUPPORTED = MakeResult(0x80004001);
constexpr HRESULT DSERR_GENERIC = MakeResult(0x80004005);
constexpr HRESULT DSERR_NOAGGREGATION = MakeResult(0x80040110);
constexpr HRESULT DSERR_OUTOFMEMORY = MakeResult(0x8007000E);
constexpr HRESULT DSERR_INVALIDPARAM = MakeResult(0x80070057);

constexpr uint32_t DSSCL_NORMAL = 1;
constexpr uint32_t DSSCL_PRIORITY = 2;

constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr uint32_t DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr uint32_t DSBCAPS_CTRLPAN = 0x00000040;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;
constexpr uint32_t DSBCAPS_GLOBALFOCUS = 0x00008000;

constexpr uint32_t DSBPLAY_LOOPING = 0x00000001;

constexpr uint32_t DSBSTATUS_PLAYING = 0x00000001;
constexpr uint32_t DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr uint32_t DSBSTATUS_LOOPING = 0x00000004;

constexpr int32_t DSBVOLUME_MIN = -10000;
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr int32_t DSBPAN_LEFT = -10000;
constexpr int32_t DSBPAN_RIGHT = 10000;
constexpr uint32_t DSBFREQUENCY_ORIGINAL = 0;
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 200000;
constexpr uint32_t DSBSIZE_MIN = 4;
constexpr uint32_t DSBSIZE_MAX = 0x0FFFFFFF;

// Channel mixes of SetChannelMix, our own addition (see there).
constexpr uint32_t DSBMIX_NONE = 0;   // each channel on its own side
constexpr uint32_t DSBMIX_LEFT = 1;   // (left + right) / 2 on the left, the right silent
constexpr uint32_t DSBMIX_RIGHT = 2;  // (left + right) / 2 on the right, the left silent

// Keylock modes of SetKeylock, our own addition (see there).
constexpr uint32_t DSBKEYLOCK_OFF = 0;
constexpr uint32_t DSBKEYLOCK_FINE = 1;  // best sound
constexpr uint32_t DSBKEYLOCK_FAST = 2;  // less work, sooner heard

struct TDSBufferDesc {
  uint32_t dwSize;   // of this record, as the caller knows it
  uint32_t dwFlags;  // DSBCAPS_*
  uint32_t dwBufferBytes;
  uint32_t dwReserved;
  const TWaveFormatEx* lpwfxFormat;  // null for a primary buffer
};

class IDirectSoundBuffer {
 public:
  virtual HRESULT SetFormat(const TWaveFormatEx* format) = 0;
  virtual HRESULT Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2, uint32_t* bytes2,
                       uint32_t flags) = 0;
  virtual HRESULT Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2) = 0;
  // Starts playing from the play cursor (looping with DSBPLAY_LOOPING). On a
  // lost output: DSERR_BUFFERLOST, and the buffer plays once the output is back.
  virtual HRESULT Play(uint32_t reserved, uint32_t priority, uint32_t flags) = 0;
  // Stops; the play cursor stays where it is.
  virtual HRESULT Stop() = 0;
  // The play cursor is the byte being heard; the write cursor the first byte safe to write.
  virtual HRESULT GetCurrentPosition(uint32_t* playCursor, uint32_t* writeCursor) = 0;
  virtual HRESULT SetCurrentPosition(uint32_t playCursor) = 0;
  virtual HRESULT SetFrequency(uint32_t hz) = 0;
  virtual HRESULT GetFrequency(uint32_t* hz) = 0;
  virtual HRESULT SetVolume(int32_t hundredthsOfDecibel) = 0;
  virtual HRESULT GetVolume(int32_t* hundredthsOfDecibel) = 0;
  virtual HRESULT SetPan(int32_t pan) = 0;
  virtual HRESULT GetPan(int32_t* pan) = 0;
  // Our own addition: a stereo buffer's two channels folded into one side
  // (DSBMIX_*), applied with volume and pan as the buffer is mixed, so that a
  // change is heard at once rather than after the audio already written has
  // played. A mono buffer keeps its sound on both sides.
  virtual HRESULT SetChannelMix(uint32_t mix) = 0;
  virtual HRESULT GetChannelMix(uint32_t* mix) = 0;
  // Our own addition: a gain factor (above 1 it amplifies, which volume
  // cannot) applied with volume and pan as the buffer is mixed: a track's
  // loudness correction, heard at once.
  virtual HRESULT SetGainFactor(float factor) = 0;
  // Our own addition: keylock (DSBKEYLOCK_*). The frequency still sets the
  // speed; the pitch stays the buffer's own. Turning it on prepares all it
  // needs here, never on the audio thread: DSERR_OUTOFMEMORY if it cannot.
  virtual HRESULT SetKeylock(uint32_t mode) = 0;
  // Our own addition: a follower (null: none) that sets the rate of each mix
  // and may hold a start (beat sync). Returns once no mix uses the old one.
  virtual HRESULT SetRateFollower(TVoiceRateFollower* follower) = 0;
  // Our own addition: the source's own number of the frame the buffer's
  // frame 0 holds, as the follower is told; taken with the next SetCurrentPosition.
  virtual HRESULT SetSourceOrigin(int64_t frame) = 0;
  virtual HRESULT GetStatus(uint32_t* status) = 0;
  // A lost output is reopened in the background; this asks for an attempt
  // now and returns at once: DS_OK when the output is there, else DSERR_BUFFERLOST.
  virtual HRESULT Restore() = 0;
  virtual void Release() = 0;

 protected:
  virtual ~IDirectSoundBuffer() = default;
};

class IDirectSound {
 public:
  // Accepted for compatibility; every level behaves the same here.
  virtual HRESULT SetCooperativeLevel(void* window, uint32_t level) = 0;
  virtual HRESULT CreateSoundBuffer(const TDSBufferDesc* desc, IDirectSoundBuffer** buffer, void* outer) = 0;
  // Buffers must be released before their device.
  virtual void Release() = 0;

 protected:
  virtual ~IDirectSound() = default;
};

// Opens the output device `device` (null: the default output).
HRESULT DirectSoundCreate(const TGuid* device, IDirectSound** sound, void* outer);
// Starts opening `device` (null: the default output) on a thread of its own,
// while the program starts: DirectSoundCreate for the same device then takes
// it. Once per process; DiscardPreparedOutput lets go of one nobody took.
void PrepareOutput(const TGuid* device);
void DiscardPreparedOutput();

// Calls back for "Primary Sound Driver" (null id: the default output), then for
// every output device; with no output device at all, for nothing. A callback
// returning false ends the enumeration.
using TDSEnumCallback = bool (*)(const TGuid* id, const char* description, const char* module, void* context);
HRESULT DirectSoundEnumerate(TDSEnumCallback callback, void* context);
