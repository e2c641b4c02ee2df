// Chooses the backend from VYS_AUDIO: unset for PortAudio, "null" or "wav:PATH"
// for the paced stand-ins, "wav-steps:PATH" for a capture mixed on demand,
// "none" for a system without any output.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sound/DeviceIdentity.h"
#include "platform/sound/JackBackend.h"
#include "platform/sound/PacedBackend.h"
#include "platform/sound/PortAudioBackend.h"
#include "platform/sound/SoundBackend.h"

namespace {
// Professional audio runs at 48 kHz: a rate that makes every 44.1 kHz file
// go through the resampler, as on most real outputs.
constexpr uint32_t kPacedDefaultRate = 48000;
constexpr uint32_t kPacedMinRate = 8000;
constexpr uint32_t kPacedMaxRate = 192000;

struct TSelection {
  bool none = false;
  bool paced = false;
  std::string wavPath;  // empty: discard
  bool stepped = false;
};

TSelection Selected() {
  const char* choice = std::getenv("VYS_AUDIO");
  if (!choice || !*choice) return {};
  if (std::strcmp(choice, "none") == 0) return {true, false, ""};
  if (std::strncmp(choice, "wav:", 4) == 0) return {false, true, choice + 4};
  if (std::strncmp(choice, "wav-steps:", 10) == 0) return {false, true, choice + 10, true};
  return {false, true, ""};  // "null", and anything unknown, plays to nowhere
}

uint32_t PacedRate() {
  const char* text = std::getenv("VYS_AUDIO_RATE");
  long rate = text ? std::strtol(text, nullptr, 10) : 0;
  return rate >= kPacedMinRate && rate <= kPacedMaxRate ? uint32_t(rate) : kPacedDefaultRate;
}

// The default output is the system's; without one, a running JACK server.
// A device named by its id is looked for on JACK first: a JACK server
// answers in a few milliseconds, while PortAudio probes every sound system
// before it opens anything.
std::unique_ptr<SoundBackend> OpenSystemOutput(const TGuid* device, SoundMixer& mixer, HRESULT* error) {
  if (device)
    if (std::unique_ptr<SoundBackend> output = JackBackend::Open(device, mixer, error)) return output;
  if (std::unique_ptr<SoundBackend> output = PortAudioBackend::Open(device, mixer, error)) return output;
  return device ? nullptr : JackBackend::Open(device, mixer, error);
}

TOutputDevice PacedDevice(const TSelection& selection) {
  std::string description = selection.wavPath.empty() ? "Null output" : "WAV capture (" + selection.wavPath + ")";
  return {DeviceIdentity(description), description};
}
}  // namespace

std::vector<TOutputDevice> ListOutputDevices() {
  TSelection selection = Selected();
  if (selection.none) return {};
  if (selection.paced) return {PacedDevice(selection)};
  std::vector<TOutputDevice> devices = PortAudioBackend::List();
  for (TOutputDevice& jack : JackBackend::List()) devices.push_back(std::move(jack));
  return devices;
}

std::unique_ptr<SoundBackend> OpenOutput(const TGuid* device, SoundMixer& mixer, HRESULT* error) {
  TSelection selection = Selected();
  if (selection.none) {
    *error = DSERR_NODRIVER;
    return nullptr;
  }
  if (!selection.paced) return OpenSystemOutput(device, mixer, error);
  if (device && !(*device == PacedDevice(selection).id)) {
    *error = DSERR_NODRIVER;
    return nullptr;
  }
  auto backend = std::make_unique<PacedBackend>(mixer, PacedRate(), selection.wavPath, selection.stepped);
  mixer.SetDevice(backend->Rate(), backend->LatencyFrames());
  if (!backend->Start()) {
    *error = DSERR_NODRIVER;
    return nullptr;
  }
  *error = DS_OK;
  return backend;
}
