#include "audio/decoders/MpegHeader.h"

#include <cstring>

namespace {
enum { kMpeg25 = 0, kMpegInvalid = 1, kMpeg2 = 2, kMpeg1 = 3 };
enum { kLayerInvalid = 0, kLayer3 = 1, kLayer2 = 2, kLayer1 = 3 };

constexpr uint32_t kSyncMask = 0xFFE00000;

// Bit rates in kbit/s by index 1..14; MPEG-2 and 2.5 share theirs.
constexpr uint16_t kMpeg1Rates[3][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // layer III
};
constexpr uint16_t kMpeg2Rates[2][15] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},  // layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},       // layers II and III
};
constexpr uint32_t kSampleRates[4][3] = {
    {11025, 12000, 8000},  // MPEG-2.5
    {0, 0, 0},
    {22050, 24000, 16000},  // MPEG-2
    {44100, 48000, 32000},  // MPEG-1
};

uint32_t BitRate(int version, int layer, int index) {
  if (version == kMpeg1) return kMpeg1Rates[3 - layer][index] * 1000u;
  return kMpeg2Rates[layer == kLayer1 ? 0 : 1][index] * 1000u;
}

uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
}  // namespace

uint32_t MpegFrameLength(uint32_t h) {
  const int version = (h >> 19) & 3, layer = (h >> 17) & 3;
  const int rateIndex = (h >> 12) & 15, sampleIndex = (h >> 10) & 3;
  const uint32_t padding = (h >> 9) & 1;
  if ((h & kSyncMask) != kSyncMask || version == kMpegInvalid || layer == kLayerInvalid || rateIndex == 0 ||
      rateIndex == 15 || sampleIndex == 3)
    return 0;
  const uint32_t bitRate = BitRate(version, layer, rateIndex);
  const uint32_t sampleRate = kSampleRates[version][sampleIndex];
  if (layer == kLayer1) return (12 * bitRate / sampleRate + padding) * 4;
  if (layer == kLayer3 && version != kMpeg1) return 72 * bitRate / sampleRate + padding;
  return 144 * bitRate / sampleRate + padding;
}

uint32_t MpegMinFrameLength(uint32_t h) {
  constexpr uint32_t kRateIndexAndPadding = 0xF200, kLowestRateIndex = 0x1000;
  return MpegFrameLength(h) ? MpegFrameLength((h & ~kRateIndexAndPadding) | kLowestRateIndex) : 0;
}

uint32_t MpegHeaderAt(const uint8_t* data) { return BigEndian32(data); }

long FindMpegHeader(const uint8_t* data, size_t size) {
  for (size_t at = 0; at < kMaxSyncPositions && at + 4 <= size; ++at)
    if (MpegFrameLength(MpegHeaderAt(data + at))) return long(at);
  return -1;
}

TVbrHeader ReadVbrHeader(const uint8_t* data, size_t size) {
  constexpr uint32_t kXingHasFrames = 1, kXingHasBytes = 2;  // flags: which fields follow, in this order
  constexpr size_t kVbriOffset = 4 + 32;  // header, then 32 bytes in every VBRI frame
  constexpr size_t kVbriBytesField = 10, kVbriFramesField = 14;
  if (size < 4) return {};
  const uint32_t h = MpegHeaderAt(data);
  if (!MpegFrameLength(h) || ((h >> 17) & 3) != kLayer3) return {};
  // The Xing/Info tag follows the side information, whose size depends on
  // the version and on mono (channel mode 3) or not.
  const bool mono = ((h >> 6) & 3) == 3;
  const size_t sideInfo = ((h >> 19) & 3) == kMpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const size_t xingAt = 4 + sideInfo;
  const uint8_t* xing = data + xingAt;
  if (xingAt + 8 <= size && (!std::memcmp(xing, "Xing", 4) || !std::memcmp(xing, "Info", 4))) {
    const uint32_t flags = BigEndian32(xing + 4);
    TVbrHeader header;
    size_t field = xingAt + 8;
    if ((flags & kXingHasFrames) && field + 4 <= size) header.frames = BigEndian32(data + field), field += 4;
    if ((flags & kXingHasBytes) && field + 4 <= size) header.bytes = BigEndian32(data + field);
    return header;
  }
  const uint8_t* vbri = data + kVbriOffset;
  if (kVbriOffset + kVbriFramesField + 4 <= size && !std::memcmp(vbri, "VBRI", 4))
    return {BigEndian32(vbri + kVbriFramesField), BigEndian32(vbri + kVbriBytesField)};
  return {};
}
