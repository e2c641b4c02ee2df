// The end marker: marks the parts of the output buffer that hold padding past
// the end of the file, so the deck knows when the last audio has been heard.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/output/VyDSP.h"

class TVyControlDSPTAG : public TDSPTAG {
 public:
  static constexpr uint32_t kBlockFrames = 40;

  void Attach(TOzoSoundBufferTAG* buffer, uint32_t chunkBytes) override;
  void Detach() override;
  void Process(void* data, uint32_t reserved, uint32_t position, uint32_t size, uint32_t validBytes) override;
  uint32_t Capabilities() override { return kDspWantsRestart; }
  void Restart(uint32_t ms) override;

  // True once the play position is in a block that holds only padding
  // written since the last restart. Reads without the lock.
  bool EndReached() const;
  // True once padding has been written since the last restart: the end is
  // then at most one ring of audio away.
  bool EndWritten() const { return endWritten_.load(std::memory_order_relaxed); }

  uint32_t BlockBytes = 0;
  uint32_t BlockCount = 0;

 private:
  std::atomic<uint32_t> generation_{1};
  std::atomic<bool> endWritten_{false};
  std::unique_ptr<std::atomic<uint16_t>[]> map_;
  std::atomic<TOzoSoundBufferTAG*> buffer_{nullptr};
};
