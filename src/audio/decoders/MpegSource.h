// Where the MPEG readers (ID3 tags, layout, frame walk) get their bytes: an
// input read at any offset, so that the decoder's own open input can serve
// them and a file opens once.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

class TMpegSourceTAG {
 public:
  virtual ~TMpegSourceTAG() = default;
  // Bytes of the input.
  virtual uint64_t Size() = 0;
  // Up to bytes bytes from offset into buffer: the bytes copied, fewer at the
  // end of the input, or -1 when it cannot be read.
  virtual long ReadAt(uint64_t offset, void* buffer, size_t bytes) = 0;
};

// One file handle: a local file opened by name, read-only. A file that cannot
// be opened has no bytes, and every read of it fails.
class TOzoFileTAG final : public TMpegSourceTAG {
 public:
  explicit TOzoFileTAG(const char* fileName);
  ~TOzoFileTAG() override;
  TOzoFileTAG(const TOzoFileTAG&) = delete;
  TOzoFileTAG& operator=(const TOzoFileTAG&) = delete;

  uint64_t Size() override { return size_; }
  long ReadAt(uint64_t offset, void* buffer, size_t bytes) override;

 private:
  FILE* handle_ = nullptr;
  uint64_t size_ = 0;
};
