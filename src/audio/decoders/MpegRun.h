// What tells MPEG audio from other bytes: frames that follow one another
// with headers of one version, layer and sample rate. A false sync inside
// other data (a program, an image, another codec's stream) is almost never
// followed by a valid header of the same kind exactly one frame later, let
// alone by several.
#pragma once
#include <cstdint>

#include "audio/decoders/MpegSource.h"

// Frames in a row that make a stream: three chance matches in a row are
// beyond any file a deck meets, and a real stream of fewer is too short to
// play anyway.
constexpr int kRunFrames = 4;

// Junk that may stand before a stream's first frame, or between frames: room
// for what some tools leave in front (a few hundred bytes, or an unknown tag
// of a few KiB), while a file of another kind is refused, or a stream ended,
// after this much, however large it is.
constexpr uint64_t kMaxJunkBytes = 64 * 1024;

// The start of a run of kRunFrames frames.
struct TMpegRun {
  bool found = false;
  uint64_t at = 0;              // file offset of the first frame's header
  uint32_t header = 0;          // the first frame's header
  bool bitRateChanges = false;  // the frames of the run differ in bit rate
};

// The run that starts at offset `at` of the input, if one does. Frames that
// end exactly at the end of the input, or at an ID3v1 tag there, count as a
// run however few they are: the last frames of a stream follow no others.
TMpegRun MpegRunAt(TMpegSourceTAG& input, uint64_t at);

// The first run that starts within `reach` bytes from `from` on.
TMpegRun FindMpegRun(TMpegSourceTAG& input, uint64_t from, uint64_t reach);
