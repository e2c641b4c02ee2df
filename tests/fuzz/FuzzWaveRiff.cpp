// Feeds arbitrary bytes to the RIFF reader and the WAV decoder: open, find
// the data, seek, decode to the end. Any crash, hang or sanitizer report is a find.
#include <sys/mman.h>
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <string>

#include "audio/decoders/OzoWAV.h"
#include "audio/decoders/WaveRiff.h"

namespace {
std::string AsFile(const uint8_t* data, size_t size) {
  static int fd = memfd_create("fuzz.wav", 0);
  ftruncate(fd, 0);
  pwrite(fd, data, size, 0);
  return "/proc/self/fd/" + std::to_string(fd);
}

void ReadAllData(const std::string& path) {
  HWAVEFILE file;
  TWaveFormatEx* format;
  TRiffChunk riff, chunk;
  if (WaveOpen(path.c_str(), &file, &format, &riff) != 0) return;
  if (WaveSeekData(file, &chunk, &riff, 6) == 0) {
    static uint8_t buffer[3000];
    uint32_t got;
    while (WaveRead(file, sizeof buffer, buffer, &chunk, &got) == 0 && got > 0) {
    }
  }
  WaveClose(&file, &format);
}

void DecodeAll(const std::string& path) {
  TOzoWAVTAG decoder;
  if (decoder.Open(path.c_str(), 0) != 0) return;
  static uint8_t buffer[128 * 64];
  unsigned skip, blocks;
  decoder.Seek(decoder.Duration / 2, &skip);
  decoder.Seek(0, &skip);
  do decoder.Decode(buffer, 64, &blocks);
  while (blocks == 64);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = AsFile(data, size);
  ReadAllData(path);
  DecodeAll(path);
  return 0;
}
