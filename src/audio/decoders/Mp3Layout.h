// What surrounds the audio of an MPEG file: an ID3 version 2 tag in front and
// a Xing/Info or VBRI header in the first frame that counts the frames; and
// whether there is an MPEG audio stream at all.
#pragma once
#include <cstdint>

#include "audio/decoders/MpegSource.h"

struct TMp3Layout {
  uint64_t id3v2Bytes = 0;  // tags at the start, 0 when none
  uint32_t vbrFrames = 0;   // frames counted by the VBR header, 0 when none
  // The VBR header counts far fewer bytes than the file holds: only the
  // frames themselves tell the length.
  bool partialVbrHeader = false;
  // A run of frames starts soon after the tag: the file holds MPEG audio.
  bool stream = false;
  uint64_t firstFrame = 0;  // offset of the run's first header
  uint32_t firstHeader = 0;
  bool firstBitRatesDiffer = false;  // within that run
};

// Reads the start of the input; one that cannot be read has no stream.
TMp3Layout ReadMp3Layout(TMpegSourceTAG& input);
// The same for the file fileName.
TMp3Layout ReadMp3Layout(const char* fileName);

// Whether the bit rate of the stream varies: its first frames differ, or a
// few frames in its middle differ from them. Without a VBR header, only
// counting the frames then gives the length.
bool Mp3BitRateVaries(TMpegSourceTAG& input, const TMp3Layout& layout);
