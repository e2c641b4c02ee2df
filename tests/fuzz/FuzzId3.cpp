// The ID3 readers on arbitrary bytes: a version 1 tag at the end of a file, a
// version 2 header at its start.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzInputFile.h"
#include "audio/decoders/Id3Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char title[200];
  ReadId3v1Title(FuzzInputFile(data, size), title, sizeof title);
  if (strnlen(title, sizeof title) == sizeof title) __builtin_trap();  // always terminated
  if (size >= kId3v2HeaderBytes) Id3v2TagSize(data);
  return 0;
}
