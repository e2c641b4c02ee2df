#include "platform/sound/PortAudioBackend.h"

#include <dlfcn.h>
#include <portaudio.h>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/sound/DeviceIdentity.h"
#include "platform/sound/JackBackend.h"

namespace {
// The audio server stopped pulling for this long: the device is gone.
constexpr int64_t kStallNanos = 1000000000;
// Callbacks mix at most this much at once; larger requests are cut up.
constexpr unsigned long kMaxCallbackFrames = 4096;

int64_t NowNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Silent(const char*) {}
void SilentAlsa(const char*, int, const char*, int, const char*, ...) {}

// The sound libraries print their probing to stderr; the deck reports real
// failures through its own channel. Their own message hooks, pointed at
// nothing before they probe, keep that chatter from the terminal without
// taking stderr from the rest of the process.
void SilenceLibraryMessages() {
  using TextHook = void (*)(void (*)(const char*));
  for (const char* name : {"jack_set_error_function", "jack_set_info_function"})
    if (auto set = reinterpret_cast<TextHook>(dlsym(RTLD_DEFAULT, name))) set(Silent);
  using AlsaHook = int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
  if (auto set = reinterpret_cast<AlsaHook>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))) set(SilentAlsa);
}

// PortAudio's sessions are not safe to open and close from two threads at
// once, and its JACK host API opens a JACK client of its own: sessions open
// and close under the JACK clients' lock.
std::recursive_mutex& SessionMutex() { return JackBackend::ClientMutex(); }

bool Initialize() {
  SilenceLibraryMessages();
  return Pa_Initialize() == paNoError;
}

void Terminate() { Pa_Terminate(); }

TOutputDevice Describe(PaDeviceIndex index) {
  const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
  const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
  std::string hostApi = api ? api->name : "";
  return {DeviceIdentity(hostApi + "\n" + info->name), std::string(info->name) + " (" + hostApi + ")"};
}

int StreamCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                   PaStreamCallbackFlags, void* backend) {
  static_cast<PortAudioBackend*>(backend)->Pull(static_cast<float*>(output), frames);
  return paContinue;
}

// Outputs PortAudio plays to; JACK is left to its own backend.
bool IsUsableOutput(PaDeviceIndex index) {
  const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
  const PaHostApiInfo* api = info ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
  return info && api && info->maxOutputChannels > 0 && api->type != paJACK;
}

PaDeviceIndex FindDevice(const TGuid* id) {
  if (!id) {
    PaDeviceIndex fallback = Pa_GetDefaultOutputDevice();
    return fallback != paNoDevice && IsUsableOutput(fallback) ? fallback : paNoDevice;
  }
  for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i)
    if (IsUsableOutput(i) && Describe(i).id == *id) return i;
  return paNoDevice;
}
}  // namespace

std::vector<TOutputDevice> PortAudioBackend::List() {
  std::lock_guard<std::recursive_mutex> session(SessionMutex());
  std::vector<TOutputDevice> devices;
  if (!Initialize()) return devices;
  for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i)
    if (IsUsableOutput(i)) devices.push_back(Describe(i));
  Terminate();
  return devices;
}

std::unique_ptr<PortAudioBackend> PortAudioBackend::Open(const TGuid* device, SoundMixer& mixer, HRESULT* error) {
  *error = DSERR_NODRIVER;
  std::lock_guard<std::recursive_mutex> session(SessionMutex());
  if (!Initialize()) return nullptr;
  std::unique_ptr<PortAudioBackend> backend(new PortAudioBackend(mixer));
  PaDeviceIndex index = FindDevice(device);
  if (index == paNoDevice) return nullptr;  // the destructor terminates the session
  const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
  backend->channels_ = info->maxOutputChannels >= 2 ? 2 : 1;
  backend->rate_ = uint32_t(info->defaultSampleRate);
  backend->monoMix_.resize(2 * kMaxCallbackFrames);
  PaStreamParameters out{index, backend->channels_, paFloat32, info->defaultLowOutputLatency, nullptr};
  PaStream* stream = nullptr;
  if (Pa_OpenStream(&stream, nullptr, &out, info->defaultSampleRate, paFramesPerBufferUnspecified, paNoFlag,
                    StreamCallback, backend.get()) != paNoError) {
    *error = DSERR_ALLOCATED;
    return nullptr;
  }
  backend->stream_ = stream;
  const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream);
  backend->latencyFrames_ = streamInfo ? uint32_t(streamInfo->outputLatency * backend->rate_) : 0;
  mixer.SetDevice(backend->rate_, backend->latencyFrames_);
  backend->lastCallbackNanos_ = NowNanos();
  if (Pa_StartStream(stream) != paNoError) {
    *error = DSERR_ALLOCATED;
    return nullptr;
  }
  *error = DS_OK;
  return backend;
}

PortAudioBackend::~PortAudioBackend() {
  std::lock_guard<std::recursive_mutex> session(SessionMutex());
  if (stream_) {
    Pa_AbortStream(stream_);
    Pa_CloseStream(stream_);
  }
  Terminate();
}

bool PortAudioBackend::Failed() const {
  return Pa_IsStreamActive(stream_) != 1 || NowNanos() - lastCallbackNanos_.load() > kStallNanos;
}

void PortAudioBackend::Pull(float* out, unsigned long frames) {
  while (frames > 0) {
    unsigned long now = frames < kMaxCallbackFrames ? frames : kMaxCallbackFrames;
    if (channels_ == 2) {
      mixer_.Mix(out, uint32_t(now));
      out += 2 * now;
    } else {
      mixer_.Mix(monoMix_.data(), uint32_t(now));
      for (unsigned long k = 0; k < now; ++k) *out++ = 0.5f * (monoMix_[2 * k] + monoMix_[2 * k + 1]);
    }
    frames -= now;
  }
  lastCallbackNanos_.store(NowNanos(), std::memory_order_relaxed);
}
