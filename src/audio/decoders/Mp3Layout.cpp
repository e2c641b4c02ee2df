#include "audio/decoders/Mp3Layout.h"

#include "audio/decoders/Id3Tag.h"
#include "audio/decoders/MpegHeader.h"

namespace {
// The sync search's reach plus the first frame's bytes up to the end of the
// longest field read there (the VBRI frame count, 54 bytes in).
constexpr size_t kProbeBytes = kMaxSyncPositions + 64;
// An ID3v1 tag and a small APE or Lyrics tag after the stream are not audio.
constexpr uint64_t kTrailingTagSlack = 4096;
}  // namespace

TMp3Layout ReadMp3Layout(TMpegSourceTAG& input) {
  TMp3Layout layout;
  static_assert(kProbeBytes >= kId3v2HeaderBytes);
  uint8_t probe[kProbeBytes];
  if (input.ReadAt(0, probe, kId3v2HeaderBytes) == long(kId3v2HeaderBytes)) layout.id3v2Bytes = Id3v2TagSize(probe);
  const long read = input.ReadAt(layout.id3v2Bytes, probe, kProbeBytes);
  const size_t size = read > 0 ? size_t(read) : 0;
  const uint64_t fileSize = input.Size();
  const long first = FindMpegHeader(probe, size);
  if (first < 0) return layout;
  const TVbrHeader vbr = ReadVbrHeader(probe + first, size - size_t(first));
  // A count that even the shortest frames would not fit in belongs to a
  // longer original: the file was cut, and the count is not believed.
  const uint64_t streamBytes = fileSize - layout.id3v2Bytes - uint64_t(first);
  if (uint64_t(vbr.frames) * MpegMinFrameLength(MpegHeaderAt(probe + first)) <= streamBytes)
    layout.vbrFrames = vbr.frames;
  // Far more bytes than the header counts: it is the first of files joined
  // together (or a large tag follows). Its count would end the song early.
  if (vbr.bytes != 0 && streamBytes > vbr.bytes + vbr.bytes / 8 + kTrailingTagSlack) {
    layout.vbrFrames = 0;
    layout.partialVbrHeader = true;
  }
  return layout;
}

TMp3Layout ReadMp3Layout(const char* fileName) {
  TOzoFileTAG file(fileName);
  return ReadMp3Layout(file);
}
