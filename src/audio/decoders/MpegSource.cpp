#include "audio/decoders/MpegSource.h"

TOzoFileTAG::TOzoFileTAG(const char* fileName) : handle(std::fopen(fileName, "rb")) {
  long size = -1;
  if (handle && std::fseek(handle, 0, SEEK_END) == 0) size = std::ftell(handle);
  if (size >= 0) {
    size_ = uint64_t(size);
    return;
  }
  if (handle) std::fclose(handle);
  handle = nullptr;
}

TOzoFileTAG::~TOzoFileTAG() {
  if (handle) std::fclose(handle);
}

long TOzoFileTAG::ReadAt(uint64_t offset, void* buffer, size_t bytes) {
  if (!handle || std::fseek(handle, long(offset), SEEK_SET) != 0) return -1;
  const size_t read = std::fread(buffer, 1, bytes, handle);
  return read == 0 && std::ferror(handle) ? -1 : long(read);
}
