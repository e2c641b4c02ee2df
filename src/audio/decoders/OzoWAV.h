// The WAV decoder: uncompressed PCM RIFF WAVE files.
#pragma once
#include "audio/decoders/VyPlayer.h"
#include "audio/decoders/WaveRiff.h"

class TOzoWAVTAG : public TVyPlayerTAG {
 public:
  static constexpr uint32_t kBlockSize = 128;

  ~TOzoWAVTAG() override;

  int CanOpen(const char* fileName) override;
  int Open(const char* fileName, unsigned flags) override;
  void Close() override;
  int Seek(unsigned ms, unsigned* skipBytes) override;
  int Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) override;
  const char* GetTitle() override;

  uint32_t DataSize = 0;  // bytes of audio in the "data" chunk
  uint32_t Position = 0;  // bytes from the start of the data, set by Seek
  char Title[200] = {};   // from the tags (RIFF INFO, ID3), "" when none

 private:
  void Release();

  HWAVEFILE file_ = nullptr;
  TWaveFormatEx* fileFormat_ = nullptr;
  TRiffChunk dataChunk_{};
  TRiffChunk riffChunk_{};
};

// How the decoders divide WAVE files: plain 8- or 16-bit PCM of one or two
// channels for the WAV decoder, MPEG audio for the MPEG decoder, and every
// other format ("wide") for the sound file decoder. A file that cannot be
// read counts as plain, so that the WAV decoder's Open says why.
enum TWaveKind { wkPlain, wkMpeg, wkWide };
TWaveKind WaveKindOf(const char* fileName);
