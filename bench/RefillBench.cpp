// One Refill of a 32768-byte chunk with the end marker and the level meter
// attached: with the WAV decoder filling it, and with a decoder that writes
// nothing (the processors' share). Counters: microseconds per chunk and the
// share of the chunk's playing time, in per cent.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/decoders/OzoWAV.h"
#include "audio/output/VyBuffer.h"
#include "deck/VyControlDSP.h"
#include "deck/VyVMetterDSP.h"

namespace {
constexpr uint32_t kChunk = 32768;
constexpr uint32_t kRing = 18 * kChunk;
constexpr double kChunkSeconds = kChunk / 176400.0;
const TPCMWaveFormat kCd{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16};

// Leaves the chunk as it is: what remains of a Refill is the processors' work.
struct SilentDecoder : TVyPlayerTAG {
  SilentDecoder() { BlockSize = 128, Format = kCd, Opened = 1; }
  int CanOpen(const char*) override { return 0; }
  int Open(const char*, unsigned) override { return 0; }
  void Close() override {}
  int Seek(unsigned, unsigned* skip) override { return *skip = 0; }
  int Decode(void*, unsigned blocks, unsigned* decoded) override { return int(*decoded = blocks) * 0; }
};

// Ten minutes of CD audio, long enough never to end during a run.
std::string WavFile() {
  static const std::string path = [] {
    std::string name = "/tmp/vys-refill-bench-" + std::to_string(getpid()) + ".wav";
    const uint32_t data = 600 * 176400;
    std::FILE* file = std::fopen(name.c_str(), "wb");
    auto put = [&](uint32_t v, int n) { std::fwrite(&v, 1, size_t(n), file); };
    std::fwrite("RIFF", 1, 4, file), put(36 + data, 4), std::fwrite("WAVEfmt ", 1, 8, file);
    put(16, 4), put(1, 2), put(2, 2), put(44100, 4), put(176400, 4), put(4, 2), put(16, 2);
    std::fwrite("data", 1, 4, file), put(data, 4);
    std::vector<char> second(176400);
    for (size_t i = 0; i < second.size(); ++i) second[i] = char(i * 13);
    for (int s = 0; s < 600; ++s) std::fwrite(second.data(), 1, second.size(), file);
    std::fclose(file);
    std::atexit([] { std::remove(WavFile().c_str()); });
    return name;
  }();
  return path;
}

void RefillChunks(benchmark::State& state, TVyPlayerTAG& decoder) {
  setenv("VYS_AUDIO", "null", 1);
  TOzoAudioTAG device;
  TOzoAudioConfig config{0, nullptr, nullptr, nullptr};
  device.Open(&config);
  TVyBufferTAG buffer;
  TVyControlDSPTAG marker;
  TVyVMetterDSPTAG meter;
  buffer.AddProcessor(&marker);
  buffer.AddProcessor(&meter);
  TVyBufferConfig chunking{kChunk, kChunk / 128, 128, 200, 50, &decoder};
  buffer.Configure(&device, &decoder.Format, &chunking, kRing);
  meter.SetDownmix(true);
  buffer.SetPan(-20);  // downmix into the left channel, as a deck cueing in headphones
  buffer.RequestRestart(0, 0);
  buffer.Refill();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    buffer.SetPlayPosition((buffer.WriteCursor + 2 * kChunk) % kRing);  // room for one more chunk
    buffer.Refill();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double perChunk = seconds / double(state.iterations());
  state.counters["us_per_chunk"] = perChunk * 1e6;
  state.counters["pct_of_chunk_time"] = perChunk / kChunkSeconds * 100;
  buffer.Release();
  device.Close();
}

void BM_RefillWithWavDecoder(benchmark::State& state) {
  TOzoWAVTAG decoder;
  if (decoder.Open(WavFile().c_str(), 0) != 0) return state.SkipWithError("the WAV file did not open");
  RefillChunks(state, decoder);
}

void BM_RefillProcessorsOnly(benchmark::State& state) {
  SilentDecoder decoder;
  RefillChunks(state, decoder);
}
}  // namespace

BENCHMARK(BM_RefillWithWavDecoder)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefillProcessorsOnly)->Unit(benchmark::kMicrosecond);
