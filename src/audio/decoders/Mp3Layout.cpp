#include "audio/decoders/Mp3Layout.h"

#include "audio/decoders/Id3Tag.h"
#include "audio/decoders/MpegHeader.h"
#include "audio/decoders/MpegRun.h"

namespace {
// The first frame's bytes up to the end of the longest field read there
// (the VBRI frame count, 54 bytes in).
constexpr size_t kFirstFrameProbeBytes = 64;
// How far from the middle of the file a run of frames is looked for.
constexpr uint64_t kMiddleSearchBytes = 8 * 1024;
// An ID3v1 tag and a small APE or Lyrics tag after the stream are not audio.
constexpr uint64_t kTrailingTagSlack = 4096;

// What the VBR header of the first frame counts, when it is believed.
void ReadFrameCount(TMpegSourceTAG& input, const TMpegRun& first, TMp3Layout* layout) {
  uint8_t probe[kFirstFrameProbeBytes];
  const long read = input.ReadAt(first.at, probe, sizeof probe);
  const TVbrHeader vbr = ReadVbrHeader(probe, read > 0 ? size_t(read) : 0);
  // A count that even the shortest frames would not fit in belongs to a
  // longer original: the file was cut, and the count is not believed.
  const uint64_t streamBytes = input.Size() - first.at;
  if (uint64_t(vbr.frames) * MpegMinFrameLength(first.header) <= streamBytes) layout->vbrFrames = vbr.frames;
  // Far more bytes than the header counts: it is the first of files joined
  // together (or a large tag follows). Its count would end the song early.
  if (vbr.bytes != 0 && streamBytes > vbr.bytes + vbr.bytes / 8 + kTrailingTagSlack) {
    layout->vbrFrames = 0;
    layout->partialVbrHeader = true;
  }
}
}  // namespace

TMp3Layout ReadMp3Layout(TMpegSourceTAG& input) {
  TMp3Layout layout;
  layout.id3v2Bytes = Id3v2TagsSize(input);
  const TMpegRun first = FindMpegRun(input, layout.id3v2Bytes, kMaxJunkBytes);
  if (!first.found) return layout;
  layout.stream = true;
  layout.firstFrame = first.at;
  layout.firstHeader = first.header;
  layout.firstBitRatesDiffer = first.bitRateChanges;
  ReadFrameCount(input, first, &layout);
  return layout;
}

TMp3Layout ReadMp3Layout(const char* fileName) {
  TOzoFileTAG file(fileName);
  return ReadMp3Layout(file);
}

// The middle is looked at too: a stream that starts with quiet, small frames
// of one bit rate is told from CBR.
bool Mp3BitRateVaries(TMpegSourceTAG& input, const TMp3Layout& layout) {
  if (!layout.stream) return false;
  if (layout.firstBitRatesDiffer) return true;
  const uint64_t middle = layout.firstFrame + (input.Size() - layout.firstFrame) / 2;
  const TMpegRun run = FindMpegRun(input, middle, kMiddleSearchBytes);
  return run.found && (run.bitRateChanges || MpegBitRateIndex(run.header) != MpegBitRateIndex(layout.firstHeader));
}
