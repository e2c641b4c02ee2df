// Feeds arbitrary bytes to the sound file decoder (the library tells the
// format from the bytes, not the name): open, seek, decode to the end. Any crash, hang or sanitizer report is a find.
#include "FuzzDecodeAll.h"
#include "FuzzInputFile.h"
#include "audio/decoders/OzoSND.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodeAll<TOzoSNDTAG>(FuzzInputFile(data, size));
  return 0;
}
