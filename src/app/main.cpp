// Until the deck window exists, the program tells what the engine can do and
// reports what it makes of the files it is given.
#include <cstdio>

#include <cstring>

#include "audio/decoders/OzoWAV.h"
#include "audio/output/OzoDS.h"
#include "foundation/OzoError.h"

namespace {
void PrintAbilities() {
  std::printf(
      "Vy-System deck engine\n"
      "Can do now:\n"
      "  - play MP3/MP2/MPG and WAV files and M3U playlists as a deck: vys-deck\n"
      "    takes the deck's commands on standard input (see the README)\n"
      "  - play through the system's sound, JACK, or a capture file (VYS_AUDIO)\n"
      "  - report every failure as one line, optionally logged to vys.log\n"
      "Usage: vysystem FILE.wav...   shows what the deck makes of each WAV file\n"
      "       vysystem --devices     lists the output devices\n");
}

int ListDevices() {
  TStringList devices;
  int count = EnumerateDevices(devices);
  for (int i = 0; i < count; ++i) std::printf("%s\n", devices.Strings(i).c_str());
  FreeDeviceList(devices);
  return 0;
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
  if (std::strcmp(argv[1], "--devices") == 0) return ListDevices();
  int failures = 0;
  for (int i = 1; i < argc; ++i) failures += DescribeFile(argv[i]);
  return failures == 0 ? 0 : 1;
}
