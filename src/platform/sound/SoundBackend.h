// Where the mix goes: a real sound server, or a clock-paced stand-in.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/DirectSound.h"
#include "platform/sound/SoundMixer.h"

class SoundBackend {
 public:
  virtual ~SoundBackend() = default;
  // Device frames per second of the mix it pulls.
  virtual uint32_t Rate() const = 0;
  // Device frames between a mixed frame and the moment it is heard.
  virtual uint32_t LatencyFrames() const = 0;
  // True once the output has stopped pulling mixes (the server went away).
  virtual bool Failed() const = 0;
};

struct TOutputDevice {
  TGuid id;
  std::string description;
};

// The output devices of the backend chosen by VYS_AUDIO: unset for the real
// sound system, "null" for a paced discarding device, "wav:PATH" for a paced
// device that writes its mix to PATH, "none" for no output at all (a system
// without a sound card). VYS_AUDIO_RATE sets the paced rate.
std::vector<TOutputDevice> ListOutputDevices();

// Opens `device` (null: the default output) and starts it pulling from `mixer`.
// On failure returns null with *error set.
std::unique_ptr<SoundBackend> OpenOutput(const TGuid* device, SoundMixer& mixer, HRESULT* error);
