// MP3 decoding cost against its peer, plain libmpg123 frame decoding of the
// same 320 kbit/s file, and the cost of opening a 10-minute file fast (VBR
// header or estimate) and with the exact length (a walk over every frame),
// and of the first jump into it.
#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <filesystem>
#include <vector>

#include "audio/decoders/OzoMP3.h"

namespace {
constexpr const char* kFile = VYS_MP3_BENCH_FILE;
constexpr int kFrames = 1000;  // 26 s of audio per iteration

bool HaveFile(benchmark::State& state) {
  if (std::filesystem::exists(kFile)) return true;
  state.SkipWithError("no test file: build the target mp3_bench_fixture");
  return false;
}

void BM_Mp3DecoderDecode(benchmark::State& state) {
  if (!HaveFile(state)) return;
  TOzoMP3TAG mp3;
  mp3.Open(kFile, 0);
  std::vector<char> block(mp3.BlockSize);
  unsigned skip = 0, decoded = 0;
  for (auto _ : state) {
    mp3.Seek(0, &skip);
    for (int i = 0; i < kFrames; ++i) mp3.Decode(block.data(), 1, &decoded);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

// The same decoding settings as the decoder library: 16-bit, untrimmed.
void BM_PlainMpg123Decode(benchmark::State& state) {
  if (!HaveFile(state)) return;
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_format_none(handle);
  mpg123_format(handle, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  mpg123_open(handle, kFile);
  for (auto _ : state) {
    mpg123_seek_frame(handle, 0, SEEK_SET);
    off_t number;
    unsigned char* audio;
    size_t bytes;
    for (int i = 0; i < kFrames;)
      if (mpg123_decode_frame(handle, &number, &audio, &bytes) == MPG123_OK) ++i;
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  mpg123_delete(handle);
}

void BM_Mp3Open(benchmark::State& state) {
  if (!HaveFile(state)) return;
  TOzoMP3TAG mp3;
  for (auto _ : state) mp3.Open(kFile, unsigned(state.range(0)));
  state.SetLabel(state.range(0) ? "exact length" : "fast");
}

// The first jump counts the frames of the stream (later ones reuse the count).
void BM_Mp3OpenAndFirstSeek(benchmark::State& state) {
  if (!HaveFile(state)) return;
  TOzoMP3TAG mp3;
  unsigned skip = 0;
  for (auto _ : state) {
    mp3.Open(kFile, 0);
    mp3.Seek(mp3.Duration / 2, &skip);
  }
}
}  // namespace

BENCHMARK(BM_PlainMpg123Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3DecoderDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3Open)->Arg(0)->Arg(kOpenExactLength)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mp3OpenAndFirstSeek)->Unit(benchmark::kMillisecond);
