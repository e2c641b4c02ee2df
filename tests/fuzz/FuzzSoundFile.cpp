// Feeds arbitrary bytes to the sound file decoder (the library tells the
// format from the bytes, not the name): open, seek, decode to the end. Any crash, hang or sanitizer report is a find.
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzInputFile.h"
#include "audio/decoders/OzoSND.h"

namespace {
void DecodeAll(const char* path) {
  TOzoSNDTAG decoder;
  if (decoder.Open(path, 0) != 0) return;
  static uint8_t buffer[4 * TOzoSNDTAG::kBlockFrames * 8];
  unsigned skip, blocks;
  decoder.Seek(decoder.Duration / 2, &skip);
  decoder.Decode(buffer, 8, &blocks);
  decoder.Seek(0, &skip);
  // Bounded: a header may claim hours that the bytes do not hold.
  for (int i = 0; i < 256; ++i)
    if (decoder.Decode(buffer, 8, &blocks) != 0 || blocks < 8) break;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodeAll(FuzzInputFile(data, size));
  return 0;
}
