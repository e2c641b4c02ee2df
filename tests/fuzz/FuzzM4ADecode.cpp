// Feeds arbitrary bytes to the MPEG-4 decoder (FFmpeg tells MP4 from ADTS by
// the bytes): open, seek, decode to the end. Any crash, hang or sanitizer
// report is a find.
#include "FuzzDecodeAll.h"
#include "FuzzInputFile.h"
#include "audio/decoders/OzoM4A.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodeAll<TOzoM4ATAG>(FuzzInputFile(data, size));
  return 0;
}
