#include "Mp3Fixtures.h"

#include <vector>

std::string DecodeToEnd(TOzoMP3TAG& mp3) {
  constexpr unsigned kBlocks = 8;
  std::vector<char> chunk(kBlocks * mp3.BlockSize);
  std::string pcm;
  unsigned decoded = 0;
  do {
    if (mp3.Decode(chunk.data(), kBlocks, &decoded) != 0) break;
    pcm.append(chunk.data(), decoded * mp3.BlockSize);
  } while (decoded == kBlocks);
  return pcm;
}

unsigned DecodedFrames(const std::string& fileName) {
  TOzoMP3TAG mp3;
  if (mp3.Open(fileName.c_str(), 0) != 0) return 0;
  return unsigned(DecodeToEnd(mp3).size() / mp3.BlockSize);
}
