// RIFF WAVE reading: open a file, read its wave format, find and read its
// "data" chunk. Every function returns 0 or one of the codes below.
#pragma once
#include <cstdint>

#include "platform/wave/WaveFormat.h"

constexpr int WAVEERR_NOMEMORY = 0xE000;
constexpr int WAVEERR_CANTOPEN = 0xE100;
constexpr int WAVEERR_NOTWAVE = 0xE101;  // not a WAVE file, or a bad "fmt " chunk
constexpr int WAVEERR_CANTREAD = 0xE102;
constexpr int WAVEERR_DATAENDED = 0xE103;  // the file ended while reading data

// Codes of the chunk operations, passed through by the functions above.
constexpr int MMIOERR_CHUNKNOTFOUND = 265;

constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

// A chunk as found in the file. For a "data" chunk being read, cksize counts
// the bytes that remain.
struct TRiffChunk {
  uint32_t ckid;
  uint32_t cksize;
  uint32_t fccType;       // form type of a "RIFF" chunk
  uint32_t dwDataOffset;  // file offset of the chunk's data
  uint32_t dwFlags;
};

struct TWaveFileTAG;
using HWAVEFILE = TWaveFileTAG*;

// Opens fileName and reads its wave format into a record the caller frees
// with WaveClose: the 16-byte PCM part, the extra size, then the extra bytes.
// On failure nothing stays open or allocated and both outputs are null.
int WaveOpen(const char* fileName, HWAVEFILE* handle, TWaveFormatEx** format, TRiffChunk* riffChunk);

// Positions at the start of the "data" chunk. A chunk that claims more bytes
// than the file holds is cut to what is there, so a truncated file plays to its end.
int WaveFindData(HWAVEFILE handle, TRiffChunk* dataChunk, const TRiffChunk* riffChunk);

// WaveFindData, then offset bytes into the data; -1 when offset lies past it.
int WaveSeekData(HWAVEFILE handle, TRiffChunk* dataChunk, const TRiffChunk* riffChunk, uint32_t offset);

// Copies up to bytes data bytes to dest. *bytesRead counts the bytes copied,
// also when the file ends early (WAVEERR_DATAENDED).
int WaveRead(HWAVEFILE handle, uint32_t bytes, void* dest, TRiffChunk* dataChunk, uint32_t* bytesRead);

// Frees the format, closes the file and clears both.
int WaveClose(HWAVEFILE* handle, TWaveFormatEx** format);
