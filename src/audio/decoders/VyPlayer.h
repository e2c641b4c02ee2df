// The decoder interface: one audio file turned into PCM blocks on request.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "foundation/OzoAssert.h"
#include "foundation/OzoSync.h"
#include "platform/wave/WaveFormat.h"

// Open flag: ask for the exact length, where a decoder can only estimate it cheaply.
constexpr unsigned kOpenExactLength = 1;

class TVyPlayerTAG : public TOzoSync {
 public:
  TVyPlayerTAG() : TOzoSync(llDecoderOrProcessor) {}
  virtual ~TVyPlayerTAG() = default;

  // Nonzero when this decoder claims the file.
  virtual int CanOpen(const char* fileName) = 0;
  // 0, or -1 after a report; the decoder is then closed. Open replaces the
  // decoder's state without the lock Decode takes, so it runs only while no
  // buffer reads the decoder: the song releases its buffer first (checked).
  virtual int Open(const char* fileName, unsigned flags) = 0;
  virtual void Close() = 0;
  // Positions so that the next Decode starts at or before ms (clamped to the
  // duration); *skipBytes counts the decoded bytes that lie before the target.
  virtual int Seek(unsigned ms, unsigned* skipBytes) = 0;
  // Fills exactly blocks * BlockSize bytes of dest; *decodedBlocks carry audio,
  // the rest is silence (0 for 16-bit, 0x80 for 8-bit samples).
  virtual int Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) = 0;
  // Display title of the open stream, or null for "use the file name".
  virtual const char* GetTitle() { return nullptr; }

  int Opened = 0;
  uint32_t BlockSize = 0;  // bytes
  uint32_t Duration = 0;   // milliseconds
  int32_t AlignMask = -4;  // byte positions handed to the stream are multiples of 4
  TPCMWaveFormat Format{};
  // Set by a buffer from its Configure to its Release.
  std::atomic<bool> ReadByBuffer{false};

 protected:
  // Byte value of silence in this decoder's output format.
  uint8_t SilenceByte() const { return Format.wBitsPerSample == 16 ? 0x00 : 0x80; }
  // Describes 16-bit PCM of `channels` at `rate`, `frames` long, decoded
  // `blockFrames` at a time.
  void SetPcm16Stream(uint32_t rate, uint16_t channels, uint64_t frames, uint32_t blockFrames) {
    Format = TPCMWaveFormat{WAVE_FORMAT_PCM, channels, rate, rate * channels * 2u, uint16_t(channels * 2u), 16};
    Duration = uint32_t(std::min<uint64_t>(frames * 1000 / rate, UINT32_MAX));
    BlockSize = blockFrames * Format.nBlockAlign;
    AlignMask = -4;
  }
  // Silence after the `frames` decoded into a request of `blocks` blocks of
  // 16-bit PCM; returns the blocks that carry audio, a last part block
  // included (its end is silence, like everything after it).
  unsigned SilenceAfter(void* dest, uint64_t frames, unsigned blocks, uint32_t blockFrames) const {
    const uint64_t wanted = uint64_t(blocks) * blockFrames;
    std::memset(static_cast<char*>(dest) + frames * Format.nBlockAlign, 0,
                size_t(wanted - frames) * Format.nBlockAlign);
    return unsigned((frames + blockFrames - 1) / blockFrames);
  }
  void CheckNoBufferReads() const { OZO_ASSERT(!ReadByBuffer, "a decoder opens a file only while no buffer reads it"); }
};
