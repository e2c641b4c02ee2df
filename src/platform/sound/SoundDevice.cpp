#include "platform/sound/SoundDevice.h"

#include <chrono>
#include <future>
#include <new>

#include "platform/sound/SoundBuffer.h"

bool IsPlayableFormat(const TPCMWaveFormat& f) {
  return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
         (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= DSBFREQUENCY_MIN &&
         f.nSamplesPerSec <= DSBFREQUENCY_MAX && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
         f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

HRESULT TSoundDevice::Open(const TGuid* device) {
  if (device) device_ = *device;
  HRESULT result = DS_OK;
  output_ = OpenOutput(device, mixer_, &result);
  return result;
}

HRESULT TSoundDevice::SetCooperativeLevel(void*, uint32_t level) {
  return level >= DSSCL_NORMAL && level <= 3 ? DS_OK : DSERR_INVALIDPARAM;
}

HRESULT TSoundDevice::CreateSoundBuffer(const TDSBufferDesc* desc, IDirectSoundBuffer** buffer, void* outer) {
  if (outer) return DSERR_NOAGGREGATION;
  if (!desc || !buffer) return DSERR_INVALIDPARAM;
  *buffer = nullptr;
  if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
    if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
    *buffer = new TSoundBuffer(*this, nullptr);
    return DS_OK;
  }
  if (!desc->lpwfxFormat || !IsPlayableFormat(desc->lpwfxFormat->pcm)) return DSERR_BADFORMAT;
  if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX ||
      desc->dwBufferBytes < desc->lpwfxFormat->pcm.nBlockAlign)
    return DSERR_INVALIDPARAM;
  std::unique_ptr<TSoundVoice> voice;
  try {
    voice = std::make_unique<TSoundVoice>(desc->lpwfxFormat->pcm, desc->dwBufferBytes);
  } catch (const std::bad_alloc&) {
    return DSERR_OUTOFMEMORY;
  }
  if (!mixer_.Attach(voice.get())) return DSERR_ALLOCATED;
  *buffer = new TSoundBuffer(*this, std::move(voice));
  return DS_OK;
}

namespace {
// Attempts to reopen a lost output: often enough that sound is back well
// within a second of the server's return, rarely enough that probing a
// missing server costs nothing noticeable.
constexpr auto kReconnectInterval = std::chrono::milliseconds(250);
}  // namespace

// Waits for an attempt to reopen that is running now: at most one open.
void TSoundDevice::Release() {
  {
    std::lock_guard<std::mutex> guard(outputMutex_);
    releasing_ = true;
  }
  reconnectWake_.notify_all();
  if (reconnector_.joinable()) reconnector_.join();
  output_.reset();  // stops the audio thread before the mixer goes
  delete this;
}

bool TSoundDevice::Lost() {
  std::lock_guard<std::mutex> guard(outputMutex_);
  return LostLocked();
}

// The first look that finds the output gone starts the reconnection.
bool TSoundDevice::LostLocked() {
  if (lost_ || (output_ && !output_->Failed())) return lost_;
  lost_ = true;
  if (reconnector_.joinable()) reconnector_.join();  // the last one has ended: it cleared lost_
  reconnector_ = std::thread(&TSoundDevice::Reconnect, this);
  return lost_;
}

HRESULT TSoundDevice::Restore() {
  std::lock_guard<std::mutex> guard(outputMutex_);
  if (!LostLocked()) return DS_OK;
  retryNow_ = true;
  reconnectWake_.notify_all();
  return DSERR_BUFFERLOST;
}

// Opens run without the lock, so that buffers are played, stopped and
// asked for their status meanwhile; the mixer keeps every voice as it was.
void TSoundDevice::Reconnect() {
  std::unique_lock<std::mutex> lock(outputMutex_);
  std::unique_ptr<SoundBackend> gone = std::move(output_);
  lock.unlock();
  gone.reset();
  lock.lock();
  while (!releasing_) {
    retryNow_ = false;
    lock.unlock();
    HRESULT result = DS_OK;
    std::unique_ptr<SoundBackend> reopened = OpenOutput(device_ ? &*device_ : nullptr, mixer_, &result);
    lock.lock();
    if (reopened) {
      output_ = std::move(reopened);
      lost_ = false;
      return;
    }
    reconnectWake_.wait_for(lock, kReconnectInterval, [this] { return releasing_ || retryNow_; });
  }
}

namespace {
struct TOpened {
  TSoundDevice* device;  // null when it did not open
  HRESULT result;
};

// An output opened ahead, and for which device.
struct TPreparedOutput {
  std::mutex mutex;  // guards the members below
  bool started = false;
  std::optional<TGuid> device;
  std::future<TOpened> opening;
};

TPreparedOutput& Prepared() {
  static TPreparedOutput prepared;
  return prepared;
}

TOpened OpenDevice(const TGuid* device) {
  auto* created = new (std::nothrow) TSoundDevice;
  if (!created) return {nullptr, DSERR_OUTOFMEMORY};
  const HRESULT result = created->Open(device);
  if (!FAILED(result)) return {created, result};
  created->Release();
  return {nullptr, result};
}

// Waits for the prepared output; its result when it was for `device`.
std::optional<TOpened> TakePrepared(const TGuid* device) {
  TPreparedOutput& prepared = Prepared();
  std::lock_guard<std::mutex> guard(prepared.mutex);
  if (!prepared.opening.valid()) return std::nullopt;
  TOpened opened = prepared.opening.get();
  const bool same = device ? prepared.device && *prepared.device == *device : !prepared.device;
  if (same) return opened;
  if (opened.device) opened.device->Release();
  return std::nullopt;
}
}  // namespace

void PrepareOutput(const TGuid* device) {
  TPreparedOutput& prepared = Prepared();
  std::lock_guard<std::mutex> guard(prepared.mutex);
  if (prepared.started) return;
  prepared.started = true;
  if (device) prepared.device = *device;
  prepared.opening = std::async(std::launch::async, [chosen = prepared.device] {
    return OpenDevice(chosen ? &*chosen : nullptr);
  });
}

void DiscardPreparedOutput() {
  static const TGuid kNoDevice{};
  if (std::optional<TOpened> opened = TakePrepared(&kNoDevice); opened && opened->device) opened->device->Release();
}

HRESULT DirectSoundCreate(const TGuid* device, IDirectSound** sound, void* outer) {
  if (outer) return DSERR_NOAGGREGATION;
  if (!sound) return DSERR_INVALIDPARAM;
  *sound = nullptr;
  std::optional<TOpened> opened = TakePrepared(device);
  if (!opened) opened = OpenDevice(device);
  *sound = opened->device;
  return opened->result;
}

HRESULT DirectSoundEnumerate(TDSEnumCallback callback, void* context) {
  if (!callback) return DSERR_INVALIDPARAM;
  // The default output exists only when some output does, as on the system
  // the deck was designed for: an empty list is how "no sound card" shows.
  const std::vector<TOutputDevice> devices = ListOutputDevices();
  if (devices.empty() || !callback(nullptr, "Primary Sound Driver", "", context)) return DS_OK;
  for (const TOutputDevice& device : devices)
    if (!callback(&device.id, device.description.c_str(), "", context)) break;
  return DS_OK;
}
