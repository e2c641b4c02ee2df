#include "audio/decoders/WaveRiff.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/kernel/KernelFile.h"

static_assert(std::endian::native == std::endian::little, "RIFF fields are read in place");

// Large enough that a decoder request of about 32 KiB needs one or two reads.
static constexpr uint32_t kIOBufferSize = 32768;
// Reads at least this large bypass the buffer: copying them twice costs more
// than the extra system call.
static constexpr uint32_t kDirectReadSize = kIOBufferSize / 2;
static constexpr uint32_t kChunkHeaderSize = 8;
static constexpr uint64_t kMaxOffset = UINT32_MAX;  // RIFF offsets are 32-bit

// A file read through one buffer, like the platform's buffered file I/O.
struct TWaveFileTAG {
  int fd = -1;
  uint64_t fileSize = 0;
  uint64_t bufferStart = 0;  // file offset of buffer[0]
  uint32_t bufferLength = 0;
  uint32_t bufferPos = 0;
  uint8_t buffer[kIOBufferSize];

  uint64_t Tell() const { return bufferStart + bufferPos; }

  void Seek(uint64_t offset) {
    if (offset >= bufferStart && offset <= bufferStart + bufferLength) {
      bufferPos = uint32_t(offset - bufferStart);
    } else {
      bufferStart = offset;
      bufferLength = bufferPos = 0;
    }
  }

  // Reads at the current position into dest; 0 at the end of the file.
  uint32_t ReadAt(void* dest, uint32_t n) {
    ssize_t got;
    do got = pread(fd, dest, n, off_t(Tell()));
    while (got < 0 && errno == EINTR);
    return got > 0 ? uint32_t(got) : 0;
  }

  // Refills the buffer at the current position; false when nothing came.
  bool Advance() {
    bufferStart = Tell();
    bufferPos = 0;
    bufferLength = ReadAt(buffer, kIOBufferSize);
    return bufferLength > 0;
  }

  // Copies up to n bytes; returns how many came before the file ended.
  uint32_t Read(void* dest, uint32_t n) { return n >= kDirectReadSize ? ReadDirect(dest, n) : ReadBuffered(dest, n); }

  // Large reads (the decode path) go straight to dest, saving a copy.
  uint32_t ReadDirect(void* dest, uint32_t n) {
    auto* out = static_cast<uint8_t*>(dest);
    uint32_t done = 0, got;
    while (done < n && (got = ReadAt(out + done, n - done)) > 0) {
      done += got;
      Seek(Tell() + got);
    }
    return done;
  }

  uint32_t ReadBuffered(void* dest, uint32_t n) {
    auto* out = static_cast<uint8_t*>(dest);
    uint32_t done = 0;
    while (done < n) {
      if (bufferPos == bufferLength && !Advance()) break;
      uint32_t take = std::min(n - done, bufferLength - bufferPos);
      std::memcpy(out + done, buffer + bufferPos, take);
      bufferPos += take;
      done += take;
    }
    return done;
  }
};

namespace {
constexpr uint32_t kRiffId = MakeFourCC('R', 'I', 'F', 'F');
constexpr uint32_t kWaveId = MakeFourCC('W', 'A', 'V', 'E');
constexpr uint32_t kFmtId = MakeFourCC('f', 'm', 't', ' ');
constexpr uint32_t kDataId = MakeFourCC('d', 'a', 't', 'a');

uint64_t ChunkEnd(const TRiffChunk& chunk) { return uint64_t(chunk.dwDataOffset) + chunk.cksize; }

// Reads the chunk header at the current position. A size that runs past the
// last RIFF offset is cut to it: a recorder that streams writes 0xFFFFFFFF
// and never comes back to fill the size in. Cut, it is never followed past
// a wrapped offset, and the data chunk is then cut to what the file holds.
int ReadChunkHeader(TWaveFileTAG* file, TRiffChunk* chunk) {
  uint32_t header[2];
  if (file->Read(header, kChunkHeaderSize) != kChunkHeaderSize) return MMIOERR_CHUNKNOTFOUND;
  const uint64_t dataOffset = file->Tell();
  if (dataOffset >= kMaxOffset) return MMIOERR_CHUNKNOTFOUND;
  const auto size = uint32_t(std::min<uint64_t>(header[1], kMaxOffset - dataOffset));
  *chunk = TRiffChunk{header[0], size, 0, uint32_t(dataOffset), 0};
  if (chunk->ckid == kRiffId && file->Read(&chunk->fccType, 4) != 4) return MMIOERR_CHUNKNOTFOUND;
  return 0;
}

// Finds the chunk `id` from the current position to the end of `parent`,
// stepping over other chunks and their pad bytes.
int FindChunk(TWaveFileTAG* file, uint32_t id, const TRiffChunk& parent, TRiffChunk* chunk) {
  const uint64_t parentEnd = ChunkEnd(parent);
  for (;;) {
    if (file->Tell() + kChunkHeaderSize > parentEnd) return MMIOERR_CHUNKNOTFOUND;
    if (int error = ReadChunkHeader(file, chunk)) return error;
    if (chunk->ckid == id) return 0;
    file->Seek(ChunkEnd(*chunk) + (chunk->cksize & 1));
  }
}

int OpenFile(const char* fileName, HWAVEFILE* handle) {
  auto* file = new (std::nothrow) TWaveFileTAG;
  if (!file) return WAVEERR_NOMEMORY;
  file->fd = OpenRegularFile(fileName, &file->fileSize);
  if (file->fd < 0) {
    delete file;
    return WAVEERR_CANTOPEN;
  }
  *handle = file;
  return 0;
}

// Reads the "fmt " chunk. Reads never go past the chunk's own size: a
// missing extra-size word counts as 0, missing extra bytes as a bad chunk.
int ReadFormat(TWaveFileTAG* file, const TRiffChunk& fmt, TWaveFormatEx** format) {
  if (fmt.cksize < sizeof(TPCMWaveFormat)) return WAVEERR_NOTWAVE;
  TPCMWaveFormat pcm;
  if (file->Read(&pcm, sizeof pcm) != sizeof pcm) return WAVEERR_CANTREAD;
  uint16_t extra = 0;
  if (pcm.wFormatTag != WAVE_FORMAT_PCM && fmt.cksize >= sizeof(TWaveFormatEx)) {
    if (file->Read(&extra, sizeof extra) != sizeof extra) return WAVEERR_CANTREAD;
    if (sizeof(TWaveFormatEx) + extra > fmt.cksize) return WAVEERR_NOTWAVE;
  }
  auto* record = static_cast<TWaveFormatEx*>(std::malloc(sizeof(TWaveFormatEx) + extra));
  if (!record) return WAVEERR_NOMEMORY;
  record->pcm = pcm;
  record->cbSize = extra;
  *format = record;
  if (file->Read(record + 1, extra) != extra) return WAVEERR_NOTWAVE;
  return 0;
}
}  // namespace

int WaveOpen(const char* fileName, HWAVEFILE* handle, TWaveFormatEx** format, TRiffChunk* riffChunk) {
  *handle = nullptr;
  *format = nullptr;
  if (int error = OpenFile(fileName, handle)) return error;

  int error = ReadChunkHeader(*handle, riffChunk);
  if (error == 0 && (riffChunk->ckid != kRiffId || riffChunk->fccType != kWaveId)) error = WAVEERR_NOTWAVE;
  TRiffChunk fmt{};
  if (error == 0) error = FindChunk(*handle, kFmtId, *riffChunk, &fmt);
  if (error == 0) error = ReadFormat(*handle, fmt, format);
  if (error != 0) WaveClose(handle, format);
  return error;
}

int WaveFindData(HWAVEFILE handle, TRiffChunk* dataChunk, const TRiffChunk* riffChunk) {
  handle->Seek(uint64_t(riffChunk->dwDataOffset) + 4);  // just after the form type
  if (int error = FindChunk(handle, kDataId, *riffChunk, dataChunk)) return error;
  uint64_t present = handle->fileSize > dataChunk->dwDataOffset ? handle->fileSize - dataChunk->dwDataOffset : 0;
  dataChunk->cksize = uint32_t(std::min<uint64_t>(dataChunk->cksize, present));
  return 0;
}

int WaveSeekData(HWAVEFILE handle, TRiffChunk* dataChunk, const TRiffChunk* riffChunk, uint32_t offset) {
  if (int error = WaveFindData(handle, dataChunk, riffChunk)) return error;
  if (offset > dataChunk->cksize) return -1;
  handle->Seek(uint64_t(dataChunk->dwDataOffset) + offset);
  dataChunk->cksize -= offset;
  return 0;
}

int WaveRead(HWAVEFILE handle, uint32_t bytes, void* dest, TRiffChunk* dataChunk, uint32_t* bytesRead) {
  uint32_t n = std::min(bytes, dataChunk->cksize);
  uint32_t copied = handle->Read(dest, n);
  dataChunk->cksize -= copied;
  *bytesRead = copied;
  return copied == n ? 0 : WAVEERR_DATAENDED;
}

int WaveClose(HWAVEFILE* handle, TWaveFormatEx** format) {
  std::free(*format);
  *format = nullptr;
  if (*handle) {
    close((*handle)->fd);
    delete *handle;
    *handle = nullptr;
  }
  return 0;
}
