#include "support/Mp3Fixtures.h"

#include <cstring>
#include <vector>

#include "support/TempDir.h"

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

std::vector<float> FixtureSignal(const std::string& name) {
  constexpr size_t kHeaderBytes = 44;  // the generator writes the plain PCM header only
  const std::string wav = ReadFileBytes(Mp3Fixture("signals/" + name));
  if (wav.size() < kHeaderBytes) return {};
  uint16_t channels = 0;
  std::memcpy(&channels, wav.data() + 22, 2);
  return FirstChannel(wav, channels == 0 ? 1 : channels, kHeaderBytes);
}

std::vector<float> FirstChannel(const std::string& pcm, unsigned channels, size_t from) {
  const size_t stride = size_t(channels) * 2;
  std::vector<float> samples;
  samples.reserve(pcm.size() > from ? (pcm.size() - from) / stride : 0);
  for (size_t at = from; at + stride <= pcm.size(); at += stride) {
    int16_t v;
    std::memcpy(&v, pcm.data() + at, 2);
    samples.push_back(float(v) / 32768.0f);
  }
  return samples;
}
