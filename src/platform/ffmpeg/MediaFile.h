// Compressed audio in MP4/M4A files (AAC, ALAC) and raw ADTS AAC, decoded to
// 16-bit interleaved PCM of one or two channels at the stream's own rate,
// frame-exact: the encoder's priming is removed, so frame 0 is the first
// frame of the music. Built on FFmpeg (its own "aac" decoder); nothing else
// in the program includes it.
#pragma once
#include <cstdint>

struct TMediaInfo {
  uint64_t frames = 0;  // exact: from the container, or counted where it keeps none
  uint32_t rate = 0;
  uint32_t channels = 0;  // as delivered: 1 or 2 (more are mixed down to two)
};

struct TMediaFileTAG;
using HMEDIAFILE = TMediaFileTAG*;

// 0, or -1 with *handle null; MediaFileError then says why.
int MediaFileOpen(const char* fileName, HMEDIAFILE* handle, TMediaInfo* info);
// The text for the last failure of handle, or of the last open when null.
const char* MediaFileError(HMEDIAFILE handle);
// Up to `frames` frames into dest; how many came (0 at the end), or -1 on a
// failure. Never past the length the open gave.
int64_t MediaFileRead(HMEDIAFILE handle, int16_t* dest, uint64_t frames);
// The next read starts exactly at `frame`; 0, or -1 when it cannot be reached.
int MediaFileSeek(HMEDIAFILE handle, uint64_t frame);
void MediaFileClose(HMEDIAFILE* handle);
