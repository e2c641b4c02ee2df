#include "platform/mpeg/XaBlockReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

bool XaBlockReader::Attach(int fd) {
  Close();
  fd_ = fd;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return false;
  }
  size_ = uint64_t(st.st_size);
  return true;
}

void XaBlockReader::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  size_ = position_ = bytesRead_ = uses_ = 0;
  for (Block& block : blocks_) block = Block{};
}

long XaBlockReader::ReadAt(uint64_t offset, void* buffer, size_t bytes) {
  if (fd_ < 0) return -1;
  if (offset >= size_) return 0;
  const uint64_t end = offset + std::min<uint64_t>(bytes, size_ - offset);
  auto* out = static_cast<uint8_t*>(buffer);
  uint64_t at = offset;
  long got = 0;
  while (at < end && (got = CopyNext(at, end, out + (at - offset))) > 0) at += uint64_t(got);
  return at > offset || got == 0 ? long(at - offset) : -1;
}

long XaBlockReader::Read(void* buffer, size_t bytes) {
  const long got = ReadAt(position_, buffer, bytes);
  if (got > 0) position_ += uint64_t(got);
  return got;
}

int64_t XaBlockReader::Seek(int64_t offset, int whence) {
  int64_t base = 0;
  if (whence == SEEK_CUR)
    base = int64_t(position_);
  else if (whence == SEEK_END)
    base = int64_t(size_);
  else if (whence != SEEK_SET)
    return -1;
  if (offset < -base || offset > INT64_MAX - base) return -1;
  position_ = uint64_t(base + offset);
  return int64_t(position_);
}

long XaBlockReader::CopyNext(uint64_t at, uint64_t end, uint8_t* out) {
  int slot = Find(at);
  if (slot < 0) {
    const uint64_t gapEnd = std::min(end, NextKept(at));
    if (gapEnd - at >= kBlockBytes) return ReadFile(at, out, size_t(gapEnd - at));
    const long loaded = Load(at, NextKept(at), &slot);
    if (loaded <= 0) return loaded;
  }
  const Block& block = blocks_[slot];
  const uint64_t copied = std::min(end, block.start + block.bytes) - at;
  std::memcpy(out, data_[slot] + (at - block.start), size_t(copied));
  return long(copied);
}

int XaBlockReader::Find(uint64_t offset) {
  for (int i = 0; i < kKeptBlocks; ++i) {
    Block& block = blocks_[i];
    if (block.bytes && offset >= block.start && offset - block.start < block.bytes) {
      block.lastUse = ++uses_;
      return i;
    }
  }
  return -1;
}

uint64_t XaBlockReader::NextKept(uint64_t offset) const {
  uint64_t next = size_;
  for (const Block& block : blocks_)
    if (block.bytes && block.start > offset) next = std::min(next, block.start);
  return next;
}

long XaBlockReader::Load(uint64_t offset, uint64_t limit, int* slot) {
  *slot = 0;
  for (int i = 1; i < kKeptBlocks; ++i)
    if (blocks_[i].lastUse < blocks_[*slot].lastUse) *slot = i;  // a free slot was never used
  Block& block = blocks_[*slot];
  block = Block{};
  const uint64_t bytes = std::min({uint64_t(kBlockBytes), limit - offset, size_ - offset});
  const long got = ReadFile(offset, data_[*slot], size_t(bytes));
  if (got > 0) block = Block{offset, uint32_t(got), ++uses_};
  return got;
}

long XaBlockReader::ReadFile(uint64_t offset, uint8_t* out, size_t bytes) {
  size_t done = 0;
  while (done < bytes) {
    const ssize_t got = pread(fd_, out + done, bytes - done, off_t(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return done ? long(done) : -1;
    if (got == 0) break;
    done += size_t(got);
    bytesRead_ += uint64_t(got);
  }
  return long(done);
}
