#include "audio/decoders/OzoFileStream.h"

#include <climits>
#include <cstring>
#include <new>

int TOzoFileStreamTAG::OpenStream(TMpegSourceTAG& input, uint32_t capacity) {
  CloseStream();
  buffer_ = new (std::nothrow) uint8_t[capacity];
  if (!buffer_ || input.Size() > uint64_t(LONG_MAX)) {
    CloseStream();
    return -1;
  }
  file_ = &input;
  fileSize_ = long(input.Size());
  capacity_ = capacity;
  opened_ = 1;
  return 0;
}

uint32_t TOzoFileStreamTAG::Refill(long at) {
  // Buffered bytes move to the front rather than be read again: the input
  // is read once on a walk to its end.
  uint32_t kept = 0;
  if (at >= bufferStart_ && at < bufferEnd_) {
    kept = uint32_t(bufferEnd_ - at);
    std::memmove(buffer_, buffer_ + (at - bufferStart_), kept);
  }
  const long read = file_->ReadAt(uint64_t(at) + kept, buffer_ + kept, capacity_ - kept);
  bytesInBuffer_ = kept + (read > 0 ? uint32_t(read) : 0);
  bufferStart_ = position_ = at;
  bufferEnd_ = at + long(bytesInBuffer_);
  read_ = buffer_;
  return bytesInBuffer_;
}

int TOzoFileStreamTAG::ReadWord(uint32_t* value) {
  if (!opened_) return -1;
  if (bufferEnd_ - position_ < 4 && Refill(position_) < 4) return -1;
  *value = uint32_t(read_[0]) | uint32_t(read_[1]) << 8 | uint32_t(read_[2]) << 16 | uint32_t(read_[3]) << 24;
  read_ += 4;
  position_ += 4;
  return 4;
}

long TOzoFileStreamTAG::SeekStream(long offset, int origin) {
  if (!opened_) return -1;
  long target = origin == 0 ? offset : origin == 1 ? position_ + offset : fileSize_ - offset;
  if (target < 0) target = 0;
  if (target > fileSize_) target = fileSize_;
  if (target >= bufferStart_ && target < bufferEnd_) {
    read_ = buffer_ + (target - bufferStart_);
    position_ = target;
    return target;
  }
  return Refill(target) > 0 ? target : -1;
}

void TOzoFileStreamTAG::CloseStream() {
  file_ = nullptr;
  delete[] buffer_;
  buffer_ = nullptr;
  opened_ = 0;
  bufferStart_ = position_ = bufferEnd_ = fileSize_ = 0;
  bytesInBuffer_ = capacity_ = 0;
  read_ = nullptr;
}
