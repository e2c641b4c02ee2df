// MPEG audio frame headers (MPEG-1, MPEG-2 and MPEG-2.5, layers I to III):
// the validity test and the frame length, and the search for the first frame
// in a block of bytes.
#pragma once
#include <cstddef>
#include <cstdint>

// Start positions a sync search tries before it gives up.
constexpr size_t kMaxSyncPositions = 4096;

// Length in bytes of the frame that header h (first byte most significant)
// opens, or 0 when h is not a valid header (free format included).
uint32_t MpegFrameLength(uint32_t header);

// Length of the shortest frame a stream with header h can have: the lowest
// bit rate, no padding. 0 when h is not a valid header.
uint32_t MpegMinFrameLength(uint32_t header);

// The bit-rate index of header h: frames of a CBR stream share it.
inline uint32_t MpegBitRateIndex(uint32_t h) { return (h >> 12) & 15; }

// The header whose four bytes start at data, first byte most significant.
uint32_t MpegHeaderAt(const uint8_t* data);

// Offset of the first valid header among the first kMaxSyncPositions start
// positions of data, or -1.
long FindMpegHeader(const uint8_t* data, size_t size);

// What a Xing/Info or VBRI header inside a layer III frame counts; 0 for
// what it does not give.
struct TVbrHeader {
  uint32_t frames = 0;
  uint32_t bytes = 0;  // of the stream, from this frame on
};

// The VBR header of the layer III frame that starts at data (size bytes
// available); all 0 when there is none.
TVbrHeader ReadVbrHeader(const uint8_t* data, size_t size);
