// The platform's wave format records, shared by the decoders and the sound layer.
#pragma once
#include <cstdint>

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;

// The PCM part: 16 bytes, laid out as in a RIFF "fmt " chunk.
struct TPCMWaveFormat {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
};
static_assert(sizeof(TPCMWaveFormat) == 16);

// The PCM part followed by the size of the extra bytes that follow the record.
#pragma pack(push, 1)
struct TWaveFormatEx {
  TPCMWaveFormat pcm;
  uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(TWaveFormatEx) == 18);
