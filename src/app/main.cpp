// Until the deck window exists, the program tells what the engine can do and
// reports what it makes of the files it is given.
#include <cstdio>

#include "audio/decoders/OzoWAV.h"
#include "foundation/OzoError.h"

namespace {
void PrintAbilities() {
  std::printf(
      "Vy-System deck engine\n"
      "Can do now:\n"
      "  - read PCM RIFF WAVE files: format, duration, seeking, PCM blocks\n"
      "  - report every failure as one line, optionally logged to vys.log\n"
      "Usage: vysystem FILE.wav...   shows what the deck makes of each file\n");
}

int DescribeFile(const char* fileName) {
  TOzoWAVTAG decoder;
  if (!decoder.CanOpen(fileName)) {
    std::printf("%s: not a WAV file\n", fileName);
    return 1;
  }
  if (decoder.Open(fileName, 0) != 0) {
    std::printf("%s: %s\n", fileName, GetLastErrorText());
    return 1;
  }
  const TPCMWaveFormat& f = decoder.Format;
  std::printf("%s: %u Hz, %u bit, %u channel(s), %u ms\n", fileName, f.nSamplesPerSec,
              f.wBitsPerSample, f.nChannels, decoder.Duration);
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintAbilities();
    return 0;
  }
  int failures = 0;
  for (int i = 1; i < argc; ++i) failures += DescribeFile(argv[i]);
  return failures == 0 ? 0 : 1;
}
