// Decodes one file with the deck's decoder for it from start to end, as the
// deck's refills would, and throws the PCM away: the process's run time is the
// decoding cost (bench/sound_file_cpu.sh sets it against the codecs' own tools).
//   sound_file_decode FILE
#include <cstdio>
#include <vector>

#include "audio/decoders/TrackDecoders.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sound_file_decode FILE\n");
    return 2;
  }
  TTrackDecoders decoders;
  TVyPlayerTAG* opened = decoders.Open(argv[1], 0);
  if (!opened) return 1;
  TVyPlayerTAG& decoder = *opened;
  constexpr unsigned kBlocks = 8;  // 32 KiB of stereo: one ring chunk
  std::vector<char> chunk(size_t(decoder.BlockSize) * kBlocks);
  unsigned got = 0;
  do {
    if (decoder.Decode(chunk.data(), kBlocks, &got) != 0) return 1;
  } while (got == kBlocks);
  return 0;
}
