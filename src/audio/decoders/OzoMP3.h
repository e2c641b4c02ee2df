// The MPEG audio decoder: MP3, MP2 and MPG files through the decoder library,
// one decoder block per MPEG frame.
#pragma once
#include "audio/decoders/VyPlayer.h"

struct XA_DecoderInfo;

class TOzoMP3TAG : public TVyPlayerTAG {
 public:
  // Fewer frames than this are refused: too short to play and seek in.
  static constexpr uint32_t kMinFrames = 20;

  TOzoMP3TAG();
  ~TOzoMP3TAG() override;

  int CanOpen(const char* fileName) override;
  // flags bit 0 (kOpenExactLength): count the frames instead of estimating.
  int Open(const char* fileName, unsigned flags) override;
  void Close() override;
  // *skipBytes is the offset into the target's frame plus StartSkip.
  int Seek(unsigned ms, unsigned* skipBytes) override;
  int Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) override;
  const char* GetTitle() override;

  XA_DecoderInfo* Decoder = nullptr;  // created once, at construction
  int LibraryReady = 0;
  uint32_t Frames = 0;     // MPEG frames of the open stream
  uint32_t StartSkip = 0;  // bytes of the stream's delay, skipped after every seek
  char Title[200] = {};    // from the tags, else the ID3 version 1 tag; "" when none

 private:
  int OpenInput(const char* fileName);
  void SetFormat();
  void SetLength(uint32_t countedFrames, uint64_t audioBytes);
  bool IsAudioFrame();
  void ResetStreamCheck();

  static constexpr uint64_t kUnknownOffset = UINT64_MAX;
  uint64_t lastAudioAt_ = kUnknownOffset;  // where the last audio frame began
  uint64_t nextFrameAt_ = kUnknownOffset;  // where the frame after it begins
  uint64_t audioEnd_ = kUnknownOffset;     // the end of the audio, where junk is counted from
  bool streamEnded_ = false;               // bytes that are not audio ended it, until the next seek
};

// Milliseconds of frames frames of blockSize PCM bytes each.
uint32_t Mp3FramesDuration(uint32_t frames, uint32_t blockSize, uint32_t bytesPerSecond);
// Milliseconds estimated from the audio bytes and one frame's bit rate; 0
// without a bit rate.
uint32_t Mp3EstimatedDuration(uint64_t audioBytes, uint32_t kbps);
