#include "deck/VyControlDSP.h"

#include "audio/output/OzoDS.h"

void TVyControlDSPTAG::Attach(TOzoSoundBufferTAG* buffer, uint32_t) {
  TOzoSyncGuard lock(*this);
  BlockBytes = buffer->GetBlockAlign() * kBlockFrames;
  BlockCount = BlockBytes ? buffer->GetSize() / BlockBytes : 0;
  map_.reset(new std::atomic<uint16_t>[BlockCount + 1]);
  for (uint32_t i = 0; i <= BlockCount; ++i) map_[i] = 0;
  generation_ = 1;
  endWritten_ = false;
  buffer_ = buffer;
}

void TVyControlDSPTAG::Detach() {
  TOzoSyncGuard lock(*this);
  buffer_ = nullptr;
  map_.reset();
}

// Marks the blocks that hold nothing but padding. A block that still holds the
// last decoded frames is left unmarked, so the end is never reported while
// those frames are being heard.
void TVyControlDSPTAG::Process(void*, uint32_t, uint32_t position, uint32_t size, uint32_t validBytes) {
  TOzoSyncGuard lock(*this);
  if (validBytes >= size || !map_ || BlockBytes == 0) return;
  endWritten_.store(true, std::memory_order_relaxed);
  const uint32_t first = (position + validBytes + BlockBytes - 1) / BlockBytes;
  const uint32_t last = (position + size - 1) / BlockBytes;
  const uint16_t mark = uint16_t(generation_.load());
  for (uint32_t block = first; block <= last && block <= BlockCount; ++block)
    map_[block].store(mark, std::memory_order_relaxed);
}

// Marks of an earlier generation no longer count. When the 16-bit generation
// would come round to 0 (the value of unmarked blocks) or to marks left from
// 65,536 restarts ago, the map is cleared and counting starts over.
void TVyControlDSPTAG::Restart(uint32_t) {
  TOzoSyncGuard lock(*this);
  uint32_t next = generation_.load() + 1;
  if (uint16_t(next) == 0) {
    for (uint32_t i = 0; map_ && i <= BlockCount; ++i) map_[i].store(0, std::memory_order_relaxed);
    next = 1;
  }
  generation_ = next;
  endWritten_.store(false, std::memory_order_relaxed);
}

bool TVyControlDSPTAG::EndReached() const {
  TOzoSoundBufferTAG* buffer = buffer_.load();
  if (!buffer || !map_ || BlockBytes == 0) return false;
  const uint32_t block = buffer->GetPlayCursor() / BlockBytes;
  return block <= BlockCount && map_[block].load(std::memory_order_relaxed) == uint16_t(generation_.load());
}
