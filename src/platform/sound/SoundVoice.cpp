#include "platform/sound/SoundVoice.h"

#include <cstring>

TSoundVoice::TSoundVoice(const TPCMWaveFormat& pcm, uint32_t size)
    : format(pcm),
      bytes(size),
      frames(size / pcm.nBlockAlign),
      memory(new uint8_t[size]),
      frequency(pcm.nSamplesPerSec),
      scratchLeft(kScratchFrames),
      scratchRight(kScratchFrames),
      historyLeft(kHistoryFrames),
      historyRight(kHistoryFrames) {
  std::memset(memory.get(), pcm.wBitsPerSample == 8 ? 0x80 : 0x00, size);
}
