// The sample-processor interface: the streaming buffer hands every block it
// writes to its processors, which may measure or change it in place.
#pragma once
#include <cstdint>

#include "foundation/OzoSync.h"

class TOzoSoundBufferTAG;

// Capabilities: which notifications a processor wants.
constexpr uint32_t kDspWantsVolume = 0x08;
constexpr uint32_t kDspWantsPan = 0x10;
constexpr uint32_t kDspWantsRestart = 0x20;

class TDSPTAG : public TOzoSync {
 public:
  TDSPTAG() : TOzoSync(llDecoderOrProcessor) {}
  virtual ~TDSPTAG() = default;
  // The output buffer it will see blocks of, and the chunk size in bytes.
  virtual void Attach(TOzoSoundBufferTAG* buffer, uint32_t chunkBytes) = 0;
  virtual void Detach() = 0;
  // A block just written at `position` (bytes) of the output buffer; its
  // first `validBytes` hold decoded audio, the rest is padding past the end.
  virtual void Process(void* data, uint32_t reserved, uint32_t position, uint32_t size, uint32_t validBytes) = 0;
  virtual uint32_t Capabilities() { return 0; }
  virtual void Restart(uint32_t ms) {}
  // Output volume 0..100 (the mute level while muted).
  virtual void VolumeChanged(unsigned volume) {}
  virtual void PanChanged(int pan) {}
};
