// WAV decoding cost against its peer, a plain buffered read of the same file:
// the decoder should add next to nothing to reading the bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/decoders/OzoWAV.h"

namespace {
constexpr uint32_t kSeconds = 60;
constexpr uint32_t kBytesPerSecond = 176400;  // 44.1 kHz, 16-bit stereo
constexpr unsigned kRequestBlocks = 256;      // one buffer chunk of 32 KiB

void PutLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += char(value >> (8 * i));
}

// A one-minute CD-quality file, written once per run.
const std::string& TestFile() {
  static const std::string path = [] {
    std::string name = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/vys-bench-" +
                       std::to_string(getpid()) + ".wav";
    uint32_t dataSize = kSeconds * kBytesPerSecond;
    std::string header = "RIFF";
    PutLE(header, 36 + dataSize, 4);
    header += "WAVEfmt ";
    for (auto [value, bytes] :
         {std::pair{16u, 4}, {1u, 2}, {2u, 2}, {44100u, 4}, {kBytesPerSecond, 4}, {4u, 2}, {16u, 2}})
      PutLE(header, value, bytes);
    header += "data";
    PutLE(header, dataSize, 4);
    std::FILE* file = std::fopen(name.c_str(), "wb");
    std::fwrite(header.data(), 1, header.size(), file);
    std::vector<char> second(kBytesPerSecond);
    for (size_t i = 0; i < second.size(); ++i) second[i] = char(i * 7);
    for (uint32_t s = 0; s < kSeconds; ++s) std::fwrite(second.data(), 1, second.size(), file);
    std::fclose(file);
    std::atexit([] { std::remove(TestFile().c_str()); });
    return name;
  }();
  return path;
}

void BM_WavDecoderDecode(benchmark::State& state) {
  std::vector<char> buffer(kRequestBlocks * TOzoWAVTAG::kBlockSize);
  for (auto _ : state) {
    TOzoWAVTAG decoder;
    decoder.Open(TestFile().c_str(), 0);
    unsigned got = 0;
    do decoder.Decode(buffer.data(), kRequestBlocks, &got);
    while (got == kRequestBlocks);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSeconds * kBytesPerSecond);
}

void BM_PlainFileRead(benchmark::State& state) {
  std::vector<char> buffer(kRequestBlocks * TOzoWAVTAG::kBlockSize);
  for (auto _ : state) {
    std::FILE* file = std::fopen(TestFile().c_str(), "rb");
    std::fseek(file, 44, SEEK_SET);
    while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
    }
    std::fclose(file);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSeconds * kBytesPerSecond);
}
}  // namespace

BENCHMARK(BM_PlainFileRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WavDecoderDecode)->Unit(benchmark::kMillisecond);
