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
  if (std::fread(probe, 1, kId3v2HeaderBytes, file) == kId3v2HeaderBytes) layout.id3v2Bytes = Id3v2TagSize(probe);
  size_t size = 0;
  if (std::fseek(file, long(layout.id3v2Bytes), SEEK_SET) == 0) size = std::fread(probe, 1, kProbeBytes, file);
  const long fileSize = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
  std::fclose(file);
  const long first = FindMpegHeader(probe, size);
  if (first < 0 || fileSize < 0) return layout;
  const uint32_t frames = VbrHeaderFrames(probe + first, size - size_t(first));
  // A count that even the shortest frames would not fit in belongs to a
  // longer original: the file was cut, and the count is not believed.
  const uint64_t streamBytes = uint64_t(fileSize) - layout.id3v2Bytes - uint64_t(first);
  if (uint64_t(frames) * MpegMinFrameLength(MpegHeaderAt(probe + first)) <= streamBytes) layout.vbrFrames = frames;
  return layout;
}
