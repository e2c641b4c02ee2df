#include "audio/output/OzoDS.h"

#include <cmath>
#include <cstdlib>

#include "foundation/OzoError.h"
#include "foundation/OzoErrorNames.h"

namespace {
// The hundredth power of this is 200: it spreads 0.5..100 % over 0..100 levels.
constexpr double kLevelBase = 1.05441190308268;
constexpr uint32_t kDescSize = 20;  // the size of the description record as designed
constexpr uint32_t kSecondaryCaps =
    DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;

const TWaveFormatEx kDefaultFormat = {{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16}, 0};

const char* Name(HRESULT result) { return DirectSoundErrorName(uint32_t(result)); }

// Hundredths of a decibel for a volume of 0..100.
int32_t VolumeToHundredths(unsigned volume) { return int32_t((VolumeLevel(int(volume)) - 100) * 100); }
}  // namespace

double VolumeLevel(int percent) {
  if (percent == 0) return 0;
  double level = std::log(2.0 * std::abs(percent)) / std::log(kLevelBase);
  return percent < 0 ? -level : level;
}

uint32_t MsToBytes(uint32_t ms, const TWaveFormatEx* format) {
  const TPCMWaveFormat& f = format->pcm;
  // 64-bit so that long spans at high rates cannot wrap around.
  uint64_t bytes = uint64_t(ms) * f.nSamplesPerSec * (f.wBitsPerSample / 8) * f.nChannels / 1000;
  return uint32_t(bytes) & ~uint32_t(f.nBlockAlign - 1);
}

// ---- device ----

int TOzoAudioTAG::Open(TOzoAudioConfig* config) {
  Close();
  const TWaveFormatEx* format = config->format ? config->format : &kDefaultFormat;
  HRESULT result = DirectSoundCreate(config->device, &DirectSound, nullptr);
  if (FAILED(result)) {
    DirectSound = nullptr;
    ReportError(__FILE__, __LINE__, kReport, "OzoAudio: Error inicializando DirectSound [%s]", Name(result));
    return -1;
  }
  result = DirectSound->SetCooperativeLevel(config->ownerWindow, DSSCL_PRIORITY);
  if (FAILED(result)) {
    DirectSound->Release();
    DirectSound = nullptr;
    ReportError(__FILE__, __LINE__, kReport, "OzoAudio: Error estableciendo nivel de prioridad [%s]", Name(result));
    return -1;
  }
  Primary = new TOzoSoundBufferTAG;
  if (Primary->CreatePrimary(DirectSound, format) != 0) {
    delete Primary;
    Primary = nullptr;
    DirectSound->Release();
    DirectSound = nullptr;
    return -2;
  }
  if (config->flags & kAudioStartPrimary) Primary->Play();
  Opened = 1;
  return 0;
}

void TOzoAudioTAG::Close() {
  if (!Opened) return;
  delete Primary;
  Primary = nullptr;
  DirectSound->Release();
  DirectSound = nullptr;
  Opened = 0;
}

// ---- sound buffer ----

void TOzoSoundBufferTAG::StoreFormat(const TWaveFormatEx* format) {
  SampleRate = format->pcm.nSamplesPerSec;
  BitsPerSample = format->pcm.wBitsPerSample;
  Channels = format->pcm.nChannels;
  BytesPerSec = Channels * SampleRate * (BitsPerSample / 8);
  Muted = 0;
  Volume = 100;
  Pan = 0;
  Valid = 1;
}

int TOzoSoundBufferTAG::CreatePrimary(IDirectSound* directSound, const TWaveFormatEx* format) {
  ReleaseBuffer();
  TDSBufferDesc desc{kDescSize, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
  HRESULT result = directSound->CreateSoundBuffer(&desc, &Buffer, nullptr);
  if (FAILED(result)) {
    Buffer = nullptr;
    ReportError(__FILE__, __LINE__, kReport, "OzoSoundBuffer: Error creando buffer primario [%s]", Name(result));
    return -1;
  }
  result = Buffer->SetFormat(format);
  if (FAILED(result)) {
    Buffer->Release();
    Buffer = nullptr;
    ReportError(__FILE__, __LINE__, kReport, "OzoAudio: Error estableciendo formato de salida [%s]", Name(result));
    return -1;
  }
  Size = 0;
  PlayFlags = DSBPLAY_LOOPING;
  StoreFormat(format);
  return 0;
}

int TOzoSoundBufferTAG::CreateSecondary(TOzoAudioTAG* device, const TWaveFormatEx* format, uint32_t size,
                                        uint32_t flags, uint32_t granule) {
  ReleaseBuffer();
  if (flags & kBufferSizeInMs) size = MsToBytes(size, format);
  if ((flags & kBufferRoundToGranule) && granule) size = granule * ((size + granule - 1) / granule);
  TDSBufferDesc desc{kDescSize, kSecondaryCaps, size, 0, format};
  HRESULT result = device->DirectSound->CreateSoundBuffer(&desc, &Buffer, nullptr);
  if (FAILED(result)) {
    Buffer = nullptr;
    ReportError(__FILE__, __LINE__, kReport, "OzoSoundBuffer: Error creando buffer [%s]", Name(result));
    return -1;
  }
  Size = size;
  BlockAlign = uint16_t(format->pcm.nChannels * (format->pcm.wBitsPerSample / 8));
  PlayFlags = (flags & kBufferLooping) ? DSBPLAY_LOOPING : 0;
  Owner = device;
  StoreFormat(format);
  if (Keylock != DSBKEYLOCK_OFF) SetKeylock(Keylock);
  if (Follower) Buffer->SetRateFollower(Follower);
  return 0;
}

void TOzoSoundBufferTAG::ReleaseBuffer() {
  if (!Valid) return;
  Buffer->Stop();
  Buffer->Release();
  Buffer = nullptr;
  Valid = 0;
}

int TOzoSoundBufferTAG::Lock(uint32_t offset, uint32_t bytes, void** memory) {
  *memory = nullptr;
  if (uint64_t(offset) + bytes > Size) {
    ReportError(__FILE__, __LINE__, kReport, "OzoSoundBuffer: Lock no valido");
    return -1;
  }
  HRESULT result = Buffer->Lock(offset, bytes, &LockPtr1, &LockLen1, &LockPtr2, &LockLen2, 0);
  if (FAILED(result)) {
    ReportError(__FILE__, __LINE__, kReport, "OzoSoundBuffer: Error grave en Lock [%s]", Name(result));
    return -1;
  }
  *memory = LockPtr1;
  return 0;
}

int TOzoSoundBufferTAG::Unlock() {
  HRESULT result = Buffer->Unlock(LockPtr1, LockLen1, LockPtr2, LockLen2);
  if (FAILED(result)) {
    ReportError(__FILE__, __LINE__, kReport, "OzoSoundBuffer: Error grave en Unlock [%s]", Name(result));
    return -1;
  }
  return 0;
}

void TOzoSoundBufferTAG::Play() {
  if (!Valid) return;
  HRESULT result = Buffer->Play(0, 0, uint32_t(PlayFlags));
  if (result == DSERR_BUFFERLOST) {
    Buffer->Restore();
    Buffer->Play(0, 0, uint32_t(PlayFlags));
  } else if (FAILED(result)) {
    ReportError(__FILE__, __LINE__, kReport, "OzoSoundBuffer: Error al reproducir [%s]", Name(result));
  }
}

void TOzoSoundBufferTAG::Stop() {
  if (Valid) Buffer->Stop();
}

void TOzoSoundBufferTAG::SetPlayPosition(uint32_t bytes) {
  if (Valid) Buffer->SetCurrentPosition(bytes);
}

uint32_t TOzoSoundBufferTAG::GetPlayCursor() {
  uint32_t play = 0;
  if (Valid) Buffer->GetCurrentPosition(&play, nullptr);
  return play;
}

int TOzoSoundBufferTAG::IsPlaying() {
  uint32_t status = 0;
  if (Valid) Buffer->GetStatus(&status);
  return (status & DSBSTATUS_PLAYING) ? 1 : 0;
}

int TOzoSoundBufferTAG::IsLost() {
  uint32_t status = 0;
  if (Valid) Buffer->GetStatus(&status);
  return (status & DSBSTATUS_BUFFERLOST) ? 1 : 0;
}

void TOzoSoundBufferTAG::SetFrequency(uint32_t hz) {
  if (Valid) Buffer->SetFrequency(hz);
}

uint32_t TOzoSoundBufferTAG::GetFrequency() {
  uint32_t hz = 0;
  if (Valid) Buffer->GetFrequency(&hz);
  return hz;
}

void TOzoSoundBufferTAG::ApplyVolume(unsigned volume) { Buffer->SetVolume(VolumeToHundredths(volume)); }

void TOzoSoundBufferTAG::SetVolume(unsigned volume) {
  if (!Valid) return;
  Volume = volume > 100 ? 100 : volume;
  if (!Muted) ApplyVolume(Volume);
}

void TOzoSoundBufferTAG::Mute() {
  if (!Valid || Muted) return;
  ApplyVolume(MuteLevel);
  Muted = 1;
}

void TOzoSoundBufferTAG::Unmute() {
  if (!Valid || !Muted) return;
  ApplyVolume(Volume);
  Muted = 0;
}

unsigned TOzoSoundBufferTAG::EffectiveVolume() const {
  if (!Valid) return 0;
  return Muted ? MuteLevel : Volume;
}

void TOzoSoundBufferTAG::SetPan(int pan) {
  if (!Valid) return;
  pan = pan < -100 ? -100 : pan > 100 ? 100 : pan;
  int32_t attenuation = int32_t((100 - VolumeLevel(100 - std::abs(pan))) * 100);
  Buffer->SetPan(pan < 0 ? -attenuation : attenuation);
  Pan = pan;
}

void TOzoSoundBufferTAG::SetChannelMix(uint32_t mix) {
  if (Valid) Buffer->SetChannelMix(mix);
}

void TOzoSoundBufferTAG::SetGainFactor(float factor) {
  if (Valid) Buffer->SetGainFactor(factor);
}

void TOzoSoundBufferTAG::SetKeylock(uint32_t mode) {
  Keylock = mode;
  if (!Valid) return;
  HRESULT result = Buffer->SetKeylock(mode);
  if (FAILED(result)) ReportError(__FILE__, __LINE__, kReport, "OzoSoundBuffer: Error en keylock [%s]", Name(result));
}

void TOzoSoundBufferTAG::SetRateFollower(TVoiceRateFollower* follower) {
  Follower = follower;
  if (Valid) Buffer->SetRateFollower(follower);
}

void TOzoSoundBufferTAG::SetSourceOrigin(int64_t frame) {
  if (Valid) Buffer->SetSourceOrigin(frame);
}

uint32_t TOzoSoundBufferTAG::GetChannelMix() {
  uint32_t mix = DSBMIX_NONE;
  if (Valid) Buffer->GetChannelMix(&mix);
  return mix;
}

// ---- device list ----

namespace {
bool AddDevice(const TGuid* id, const char* description, const char*, void* context) {
  auto& list = *static_cast<TStringList*>(context);
  list.Add(description, id ? new TGuid(*id) : nullptr);
  return true;
}
}  // namespace

int EnumerateDevices(TStringList& list) {
  list.Clear();
  DirectSoundEnumerate(AddDevice, &list);
  return list.Count();
}

void FreeDeviceList(TStringList& list) {
  for (int i = list.Count() - 1; i >= 0; --i) {
    delete static_cast<TGuid*>(list.Objects(i));
    list.SetObject(i, nullptr);
  }
}
