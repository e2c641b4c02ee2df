// The exact number of MPEG audio frames in a file, found by walking from
// frame header to frame header.
#pragma once
#include <cstdint>

#include "audio/decoders/MpegSource.h"

// Frames of the input; 0 when it cannot be read or holds no frame. The walk
// starts after an ID3 version 2 tag, searches at most kMaxSyncPositions start
// positions for a header, and after a break in the chain of frames searches
// again from the bytes that broke it.
uint32_t CountMpegFrames(TMpegSourceTAG& input);
// The same for the file fileName.
uint32_t CountMpegFrames(const char* fileName);
