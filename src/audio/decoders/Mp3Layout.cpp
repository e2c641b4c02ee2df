#include "audio/decoders/Mp3Layout.h"

#include <cstdio>

#include "audio/decoders/Id3Tag.h"
#include "audio/decoders/MpegHeader.h"

namespace {
// The sync search's reach plus the first frame's bytes up to the end of the
// longest field read there (the VBRI frame count, 54 bytes in).
constexpr size_t kProbeBytes = kMaxSyncPositions + 64;
}  // namespace

TMp3Layout ReadMp3Layout(const char* fileName) {
  TMp3Layout layout;
  FILE* file = std::fopen(fileName, "rb");
  if (!file) return layout;
  static_assert(kProbeBytes >= kId3v2HeaderBytes);
  uint8_t probe[kProbeBytes];
  if (std::fread(probe, 1, kId3v2HeaderBytes, file) == kId3v2HeaderBytes)
    layout.id3v2Bytes = Id3v2TagSize(probe);
  size_t size = 0;
  if (std::fseek(file, long(layout.id3v2Bytes), SEEK_SET) == 0) size = std::fread(probe, 1, kProbeBytes, file);
  std::fclose(file);
  const long first = FindMpegHeader(probe, size);
  if (first >= 0) layout.vbrFrames = VbrHeaderFrames(probe + first, size - size_t(first));
  return layout;
}
