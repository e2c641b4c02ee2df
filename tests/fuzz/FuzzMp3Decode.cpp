// Open and Decode of arbitrary bytes through the MP3 decoder and libmpg123.
// The first byte picks the open flags and a seek target.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzInputFile.h"
#include "audio/decoders/OzoMP3.h"

namespace {
// Enough to run through every frame of a small input without letting a
// single input take seconds.
constexpr unsigned kMaxBlocks = 400;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TOzoMP3TAG mp3;
  if (size < 1) return 0;
  if (mp3.Open(FuzzInputFile(data + 1, size - 1), data[0] & 1) != 0) return 0;
  std::vector<uint8_t> block(mp3.BlockSize);
  unsigned decoded = 1, skip = 0;
  for (unsigned n = 0; n < kMaxBlocks && decoded == 1; ++n) mp3.Decode(block.data(), 1, &decoded);
  mp3.Seek(mp3.Duration * (data[0] >> 1) / 127, &skip);
  mp3.Decode(block.data(), 1, &decoded);
  mp3.Close();
  return 0;
}
