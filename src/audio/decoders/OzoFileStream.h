// A buffered, read-only reader of an input for walking MPEG frame headers:
// 32-bit little-endian words and seeks that stay inside the buffer when they
// can.
#pragma once
#include <cstdint>

#include "audio/decoders/MpegSource.h"

class TOzoFileStreamTAG {
 public:
  ~TOzoFileStreamTAG() { CloseStream(); }
  TOzoFileStreamTAG() = default;
  // It owns its buffer.
  TOzoFileStreamTAG(const TOzoFileStreamTAG&) = delete;
  TOzoFileStreamTAG& operator=(const TOzoFileStreamTAG&) = delete;

  // Reads input, which outlives the stream, through a buffer of capacity
  // bytes, filled at the first read or seek. 0, or -1 with nothing left open.
  int OpenStream(TMpegSourceTAG& input, uint32_t capacity);
  // 4 and the next 4 bytes as a little-endian value in *value, or -1 when the
  // file has fewer than 4 bytes left.
  int ReadWord(uint32_t* value);
  // origin 0: from the start, 1: from the current position, 2: back from the
  // end. The target is clamped to the file. The new position, or -1 when
  // nothing can be read there.
  long SeekStream(long offset, int origin);
  void CloseStream();

 private:
  // Refills the buffer from file position at, keeping the buffered bytes
  // from there on; the bytes it now holds.
  uint32_t Refill(long at);

  uint8_t* buffer_ = nullptr;  // owned
  uint32_t capacity_ = 0;
  int opened_ = 0;
  TMpegSourceTAG* file_ = nullptr;
  long bufferStart_ = 0;  // file position of buffer_[0]
  long position_ = 0;
  long bufferEnd_ = 0;  // bufferStart_ + bytes in the buffer
  uint32_t bytesInBuffer_ = 0;
  long fileSize_ = 0;
  const uint8_t* read_ = nullptr;  // buffer_ + (position_ - bufferStart_)
};
