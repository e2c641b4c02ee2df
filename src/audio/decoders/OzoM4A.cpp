#include "audio/decoders/OzoM4A.h"

#include <algorithm>

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
  SetPcm16Stream(info_.rate, uint16_t(info_.channels), info_.frames, kBlockFrames);
  Frames = info_.frames;
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
  const int64_t got = MediaFileRead(file_, static_cast<int16_t*>(dest), uint64_t(blocks) * kBlockFrames);
  *decodedBlocks = SilenceAfter(dest, got > 0 ? uint64_t(got) : 0, blocks, kBlockFrames);
  if (got >= 0) return 0;
  ReportError(__FILE__, __LINE__, kReport, "M4A player: Decoding error [%s]", MediaFileError(file_));
  return -1;
}

const char* TOzoM4ATAG::GetTitle() { return Opened && Title[0] ? Title : nullptr; }
