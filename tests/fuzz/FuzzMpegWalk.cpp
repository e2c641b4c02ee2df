// The frame-header walk, the first-frame readers and the search for a run
// of frames on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "FuzzInputFile.h"
#include "audio/decoders/Mp3Layout.h"
#include "audio/decoders/MpegFrameWalk.h"
#include "audio/decoders/MpegHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* file = FuzzInputFile(data, size);
  CountMpegFrames(file);
  TOzoFileTAG input(file);
  Mp3BitRateVaries(input, ReadMp3Layout(input));
  long first = FindMpegHeader(data, size);
  if (first >= 0) ReadVbrHeader(data + first, size - size_t(first));
  return 0;
}
