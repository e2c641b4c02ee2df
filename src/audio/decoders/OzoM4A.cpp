#include "audio/decoders/OzoM4A.h"

#include <algorithm>
#include <cstring>

#include "audio/decoders/SoundFormats.h"
#include "audio/decoders/TrackTitle.h"
#include "foundation/OzoError.h"
#include "platform/sound/DirectSound.h"

TOzoM4ATAG::~TOzoM4ATAG() { Close(); }

int TOzoM4ATAG::CanOpen(const char* fileName) { return fileName && IsFormatOf(fileName, frMpeg4); }

int TOzoM4ATAG::Open(const char* fileName, unsigned) {
  CheckNoBufferReads();
  Close();
  if (MediaFileOpen(fileName, &file_, &info_) != 0) {
    ReportError(__FILE__, __LINE__, kReport, "M4A player: Can't open file [%s]", MediaFileError(nullptr));
    return -1;
  }
  if (info_.rate < DSBFREQUENCY_MIN || info_.rate > kMaxRate) {
    MediaFileClose(&file_);
    ReportError(__FILE__, __LINE__, kReport, "M4A player: Unsupported sample rate (%u Hz)", info_.rate);
    return -1;
  }
  const uint16_t channels = uint16_t(info_.channels);
  Format = TPCMWaveFormat{WAVE_FORMAT_PCM, channels, info_.rate, info_.rate * channels * 2, uint16_t(channels * 2), 16};
  Frames = info_.frames;
  Duration = uint32_t(std::min<uint64_t>(Frames * 1000 / info_.rate, UINT32_MAX));
  BlockSize = kBlockFrames * Format.nBlockAlign;
  AlignMask = -4;
  Title[0] = '\0';
  ReadTagTitle(fileName, Title, sizeof Title);
  Opened = 1;
  return 0;
}

void TOzoM4ATAG::Close() {
  TOzoSyncGuard lock(*this);
  if (!Opened) return;
  MediaFileClose(&file_);
  Opened = 0;
}

int TOzoM4ATAG::Seek(unsigned ms, unsigned* skipBytes) {
  TOzoSyncGuard lock(*this);
  if (!Opened) {
    ReportError(__FILE__, __LINE__, kReport, "M4A player: File not open");
    return -1;
  }
  // The reader lands on the frame itself: nothing to skip.
  *skipBytes = 0;
  const uint64_t frame = std::min<uint64_t>(uint64_t(std::min(ms, Duration)) * info_.rate / 1000, Frames);
  if (MediaFileSeek(file_, frame) != 0) {
    ReportError(__FILE__, __LINE__, kReport, "M4A player: Seeking position error [%s]", MediaFileError(file_));
    return -1;
  }
  return 0;
}

int TOzoM4ATAG::Decode(void* dest, unsigned blocks, unsigned* decodedBlocks) {
  TOzoSyncGuard lock(*this);
  *decodedBlocks = 0;
  if (!Opened) {
    ReportError(__FILE__, __LINE__, kReport, "M4A player: File not open");
    return -1;
  }
  auto* out = static_cast<int16_t*>(dest);
  const uint64_t wanted = uint64_t(blocks) * kBlockFrames;
  const int64_t got = MediaFileRead(file_, out, wanted);
  const uint64_t done = got > 0 ? uint64_t(got) : 0;
  // A last part block counts: its end is silence, like everything after it.
  *decodedBlocks = unsigned((done + kBlockFrames - 1) / kBlockFrames);
  std::memset(out + done * Format.nChannels, 0, size_t(wanted - done) * Format.nBlockAlign);
  if (got >= 0) return 0;
  ReportError(__FILE__, __LINE__, kReport, "M4A player: Decoding error [%s]", MediaFileError(file_));
  return -1;
}

const char* TOzoM4ATAG::GetTitle() { return Opened && Title[0] ? Title : nullptr; }
