// Open, seek, decode to the end: what a fuzz target does with a decoder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

template <typename Decoder>
void DecodeAll(const char* path) {
  Decoder decoder;
  if (decoder.Open(path, 0) != 0) return;
  constexpr unsigned kBlocks = 8;
  std::vector<uint8_t> buffer(std::size_t(decoder.BlockSize) * kBlocks);
  unsigned skip, blocks;
  decoder.Seek(decoder.Duration / 2, &skip);
  decoder.Decode(buffer.data(), kBlocks, &blocks);
  decoder.Seek(0, &skip);
  // Bounded: a header may claim hours that the bytes do not hold.
  for (int i = 0; i < 256; ++i)
    if (decoder.Decode(buffer.data(), kBlocks, &blocks) != 0 || blocks < kBlocks) break;
}
