#include "audio/decoders/OzoFileStream.h"

#include <new>

int TOzoFileStreamTAG::OpenStream(const char* fileName, uint32_t capacity) {
  CloseStream();
  file_.handle = std::fopen(fileName, "rb");
  if (!file_.handle) return -1;
  buffer_ = new (std::nothrow) uint8_t[capacity];
  if (!buffer_ || std::fseek(file_.handle, 0, SEEK_END) != 0 || (fileSize_ = std::ftell(file_.handle)) < 0) {
    CloseStream();
    return -1;
  }
  capacity_ = capacity;
  opened_ = 1;
  Refill(0);
  return 0;
}

uint32_t TOzoFileStreamTAG::Refill(long at) {
  bytesInBuffer_ = 0;
  if (std::fseek(file_.handle, at, SEEK_SET) == 0)
    bytesInBuffer_ = uint32_t(std::fread(buffer_, 1, capacity_, file_.handle));
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
  if (file_.handle) std::fclose(file_.handle);
  file_.handle = nullptr;
  delete[] buffer_;
  buffer_ = nullptr;
  opened_ = 0;
  bufferStart_ = position_ = bufferEnd_ = fileSize_ = 0;
  bytesInBuffer_ = capacity_ = 0;
  read_ = nullptr;
}
