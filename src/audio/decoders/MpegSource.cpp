#include "audio/decoders/MpegSource.h"

#include <unistd.h>

#include "platform/kernel/KernelFile.h"

TOzoFileTAG::TOzoFileTAG(const char* fileName) {
  const int fd = OpenRegularFile(fileName, &size_);
  if (fd < 0) return;
  handle_ = fdopen(fd, "rb");
  if (!handle_) close(fd);
}

TOzoFileTAG::~TOzoFileTAG() {
  if (handle_) std::fclose(handle_);
}

long TOzoFileTAG::ReadAt(uint64_t offset, void* buffer, size_t bytes) {
  if (!handle_ || std::fseek(handle_, long(offset), SEEK_SET) != 0) return -1;
  const size_t read = std::fread(buffer, 1, bytes, handle_);
  return read == 0 && std::ferror(handle_) ? -1 : long(read);
}
