// The sound file decoder: FLAC, AIFF, Ogg Vorbis and Opus, and the WAVE files
// the WAV decoder leaves out (wide or float samples, WAVE_FORMAT_EXTENSIBLE,
// more than two channels, compressed PCM), as 16-bit PCM of one or two
// channels at the file's own rate.
#pragma once
#include <string>
#include <vector>

#include "audio/decoders/PcmConvert.h"
#include "audio/decoders/VyPlayer.h"
#include "platform/sndfile/SoundFile.h"

class TOzoSNDTAG : public TVyPlayerTAG {
 public:
  static constexpr uint32_t kBlockFrames = 1024;
  // The highest rate played; the mixer resamples it like any other.
  static constexpr uint32_t kMaxRate = 192000;

  ~TOzoSNDTAG() override;

  int CanOpen(const char* fileName) override;
  int Open(const char* fileName, unsigned flags) override;
  void Close() override;
  int Seek(unsigned ms, unsigned* skipBytes) override;
  int Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) override;
  const char* GetTitle() override;

  uint64_t Frames = 0;  // of the open file
  char Title[200] = {};

 private:
  int64_t ReadFrames(int16_t* out, uint64_t frames);
  int Reopen();

  std::string fileName_;
  bool ranOut_ = false;  // the last read stopped short of what was asked
  HSOUNDFILE file_ = nullptr;
  TSoundFileInfo info_{};
  TStereoMix mix_{};
  TTpdfDither dither_;
  std::vector<float> source_, mixed_;
};
