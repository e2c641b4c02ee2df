// Reads the open file of a decoder's input in blocks, of which the last few
// used are kept. The decoder and its client read the same few bytes at the
// start and the end (tags, first frames) while an input opens: kept, they
// cost the file one read, however many readers ask for them.
#pragma once
#include <cstddef>
#include <cstdint>

class XaBlockReader {
 public:
  // Playback reads the file in steps of a page, as a stdio buffer would.
  static constexpr uint32_t kBlockBytes = 4096;
  // Enough for the tail tag, the head of the stream and its first frames.
  static constexpr int kKeptBlocks = 16;

  XaBlockReader() = default;
  ~XaBlockReader() { Close(); }
  XaBlockReader(const XaBlockReader&) = delete;
  XaBlockReader& operator=(const XaBlockReader&) = delete;

  // Takes fd, which it closes from then on. False when fd is not a regular
  // file (or cannot be examined); fd is closed then too.
  bool Attach(int fd);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  uint64_t Size() const { return size_; }
  // Bytes read from the file since Attach: every byte once while it is kept.
  uint64_t BytesRead() const { return bytesRead_; }

  // Up to bytes bytes from offset into buffer: the bytes copied, fewer at the
  // end of the file, or -1 when the file cannot be read. A gap of at least a
  // block between kept bytes goes straight to buffer and is not kept, so a
  // walk over the whole file leaves the kept blocks in place.
  long ReadAt(uint64_t offset, void* buffer, size_t bytes);
  // ReadAt at the reading position, which moves past what was copied.
  long Read(void* buffer, size_t bytes);
  // Moves the reading position as lseek does (no file access); the new
  // position, or -1 for a position before the start or past 2^63.
  int64_t Seek(int64_t offset, int whence);

 private:
  struct Block {
    uint64_t start = 0;
    uint32_t bytes = 0;  // 0: the slot is free
    uint64_t lastUse = 0;
  };
  // Copies from at towards end: out of a kept block, straight from the file
  // for a gap of a block or more, else through a newly kept block. The bytes
  // copied, 0 at an early end of the file, or -1 on a read error.
  long CopyNext(uint64_t at, uint64_t end, uint8_t* out);
  // The kept block that holds offset, or -1.
  int Find(uint64_t offset);
  // Start of the first kept block after offset, or the file size.
  uint64_t NextKept(uint64_t offset) const;
  // Reads from offset up to a block's worth, stopping at limit, into the
  // least recently used slot *slot: the bytes read, 0 at the end, or -1.
  long Load(uint64_t offset, uint64_t limit, int* slot);
  // pread until bytes are in or the file ends; the bytes read, or -1.
  long ReadFile(uint64_t offset, uint8_t* out, size_t bytes);

  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
  uint64_t bytesRead_ = 0;
  uint64_t uses_ = 0;  // the clock of lastUse
  Block blocks_[kKeptBlocks];
  uint8_t data_[kKeptBlocks][kBlockBytes];
};
