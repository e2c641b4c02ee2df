#include "audio/decoders/OzoWAV.h"

#include <cstring>

#include "audio/decoders/SoundFormats.h"
#include "audio/decoders/TrackTitle.h"
#include "foundation/OzoError.h"

TOzoWAVTAG::~TOzoWAVTAG() { Close(); }

TWaveKind WaveKindOf(const char* fileName) {
  HWAVEFILE file;
  TWaveFormatEx* format;
  TRiffChunk riff;
  if (WaveOpen(fileName, &file, &format, &riff) != 0) return wkPlain;
  const TPCMWaveFormat& pcm = format->pcm;
  TWaveKind kind = wkPlain;
  if (pcm.wFormatTag == WAVE_FORMAT_MPEGLAYER3)
    kind = wkMpeg;
  else if (pcm.wFormatTag != WAVE_FORMAT_PCM)
    kind = wkWide;
  // PCM the sound buffers cannot take; a file with no rate or no channels
  // stays with the WAV decoder, which refuses it.
  else if (pcm.nSamplesPerSec != 0 && pcm.nChannels != 0 &&
           ((pcm.wBitsPerSample != 8 && pcm.wBitsPerSample != 16) || pcm.nChannels > 2))
    kind = wkWide;
  WaveClose(&file, &format);
  return kind;
}

int TOzoWAVTAG::CanOpen(const char* fileName) {
  if (!fileName || !IsFormatOf(fileName, frWave)) return 0;
  // MPEG audio inside a WAVE file is left to the MPEG decoder, other formats
  // to the sound file decoder.
  return WaveKindOf(fileName) == wkPlain;
}

void TOzoWAVTAG::Release() { WaveClose(&file_, &fileFormat_); }

int TOzoWAVTAG::Open(const char* fileName, unsigned flags) {
  CheckNoBufferReads();
  Close();
  dataChunk_ = riffChunk_ = TRiffChunk{};
  if (WaveOpen(fileName, &file_, &fileFormat_, &riffChunk_) != 0) {
    ReportError(__FILE__, __LINE__, kReport, "WAV player: Can't open file");
    return -1;
  }
  const TPCMWaveFormat& pcm = fileFormat_->pcm;
  const uint16_t bytesPerSample = pcm.wBitsPerSample / 8;
  const uint32_t bytesPerSecond = uint32_t(pcm.nChannels) * pcm.nSamplesPerSec * bytesPerSample;
  // No channels, no rate or samples under 8 bits: nothing could be timed or played.
  if (pcm.wFormatTag != WAVE_FORMAT_PCM || bytesPerSecond == 0) {
    Release();
    ReportError(__FILE__, __LINE__, kReport, "WAV player: Unsupported wave format");
    return -1;
  }
  if (WaveFindData(file_, &dataChunk_, &riffChunk_) != 0) {
    Release();
    ReportError(__FILE__, __LINE__, kReport, "WAV player: Loading error");
    return -1;
  }
  Position = 0;
  DataSize = dataChunk_.cksize;
  Format = TPCMWaveFormat{
      WAVE_FORMAT_PCM,   pcm.nChannels, pcm.nSamplesPerSec, bytesPerSecond, uint16_t(pcm.nChannels * bytesPerSample),
      pcm.wBitsPerSample};
  Duration = uint32_t(uint64_t(DataSize) * 1000 / bytesPerSecond);
  BlockSize = kBlockSize;
  AlignMask = -4;
  Title[0] = '\0';
  ReadTagTitle(fileName, Title, sizeof Title);
  Opened = 1;
  return 0;
}

const char* TOzoWAVTAG::GetTitle() { return Opened && Title[0] ? Title : nullptr; }

void TOzoWAVTAG::Close() {
  TOzoSyncGuard lock(*this);
  if (!Opened) return;
  Release();
  Opened = 0;
}

int TOzoWAVTAG::Seek(unsigned ms, unsigned* skipBytes) {
  TOzoSyncGuard lock(*this);
  if (!Opened) {
    ReportError(__FILE__, __LINE__, kReport, "WAV player:  File not open");
    return -1;
  }
  if (ms > Duration) ms = Duration;
  uint32_t offset = uint32_t(uint64_t(ms) * Format.nAvgBytesPerSec / 1000) & uint32_t(AlignMask);
  *skipBytes = 0;
  if (WaveSeekData(file_, &dataChunk_, &riffChunk_, offset) != 0) {
    ReportError(__FILE__, __LINE__, kReport, "WAV player:  Seeking position error");
    return -1;
  }
  Position = offset;
  return 0;
}

int TOzoWAVTAG::Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) {
  TOzoSyncGuard lock(*this);
  *decodedBlocks = 0;
  if (!Opened) {
    ReportError(__FILE__, __LINE__, kReport, "WAV player:  File not open");
    return -1;
  }
  const uint32_t requested = blocks * kBlockSize;
  uint32_t bytesRead = 0;
  WaveRead(file_, requested, dest, &dataChunk_, &bytesRead);  // a short read still counts what came
  *decodedBlocks = bytesRead / kBlockSize;
  const uint32_t audioBytes = *decodedBlocks * kBlockSize;
  std::memset(static_cast<uint8_t*>(dest) + audioBytes, SilenceByte(), requested - audioBytes);
  return 0;
}
