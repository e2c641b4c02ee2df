// What surrounds the audio of an MPEG file: an ID3 version 2 tag in front and
// a Xing/Info or VBRI header in the first frame that counts the frames.
#pragma once
#include <cstdint>

#include "audio/decoders/MpegSource.h"

struct TMp3Layout {
  uint32_t id3v2Bytes = 0;  // tag at the start, 0 when none
  uint32_t vbrFrames = 0;   // frames counted by the VBR header, 0 when none
  // The VBR header counts far fewer bytes than the file holds: only the
  // frames themselves tell the length.
  bool partialVbrHeader = false;
};

// Reads the start of the input; one that cannot be read has neither.
TMp3Layout ReadMp3Layout(TMpegSourceTAG& input);
// The same for the file fileName.
TMp3Layout ReadMp3Layout(const char* fileName);
