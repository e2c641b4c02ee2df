// The MPEG-4 audio decoder: AAC and ALAC in M4A/MP4 files and raw ADTS AAC,
// as 16-bit PCM of one or two channels at the file's own rate, sample-exact
// from the first sample of the music (the encoder's priming left out).
#pragma once
#include "audio/decoders/VyPlayer.h"
#include "platform/ffmpeg/MediaFile.h"

class TOzoM4ATAG : public TVyPlayerTAG {
 public:
  static constexpr uint32_t kBlockFrames = 1024;
  // The highest rate played; the mixer resamples it like any other.
  static constexpr uint32_t kMaxRate = 192000;

  ~TOzoM4ATAG() override;

  int CanOpen(const char* fileName) override;
  int Open(const char* fileName, unsigned flags) override;
  void Close() override;
  int Seek(unsigned ms, unsigned* skipBytes) override;
  int Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) override;
  const char* GetTitle() override;

  uint64_t Frames = 0;  // of the open file
  char Title[200] = {};

 private:
  HMEDIAFILE file_ = nullptr;
  TMediaInfo info_{};
};
