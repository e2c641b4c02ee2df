#include "audio/decoders/MpegSource.h"

TOzoFileTAG::TOzoFileTAG(const char* fileName) : handle_(std::fopen(fileName, "rb")) {
  long size = -1;
  if (handle_ && std::fseek(handle_, 0, SEEK_END) == 0) size = std::ftell(handle_);
  if (size >= 0) {
    size_ = uint64_t(size);
    return;
  }
  if (handle_) std::fclose(handle_);
  handle_ = nullptr;
}

TOzoFileTAG::~TOzoFileTAG() {
  if (handle_) std::fclose(handle_);
}

long TOzoFileTAG::ReadAt(uint64_t offset, void* buffer, size_t bytes) {
  if (!handle_ || std::fseek(handle_, long(offset), SEEK_SET) != 0) return -1;
  const size_t read = std::fread(buffer, 1, bytes, handle_);
  return read == 0 && std::ferror(handle_) ? -1 : long(read);
}
