#include "audio/decoders/MpegRun.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "audio/decoders/Id3Tag.h"
#include "audio/decoders/MpegHeader.h"

namespace {
// Sync, version, layer, protection, bit-rate and sample-rate index: what
// stays the same from one frame of a free-format stream to the next.
constexpr uint32_t kFreeFormatMask = 0xFFFFFC00;
// A free-format frame is at most 640 kbit/s of layer III at 32 kHz.
constexpr uint32_t kMaxFreeFormatFrameBytes = 2881;
constexpr uint32_t kLowestBitRateIndex = 0x1000;
// The search reads this much at a time: less than the decoder input's kept
// blocks, so that the bytes the library reads too come from the file once.
constexpr size_t kSearchStepBytes = 1024;

// Version, layer, protection, sample rate, private bit, copyright, original
// and emphasis: set once by the encoder for the whole stream.
bool SameKindOfStream(uint32_t a, uint32_t b) {
  constexpr uint32_t kSetOnce = 0x001F0D0F;
  return (a & kSetOnce) == (b & kSetOnce);
}

// An MPEG-1 layer III header that is valid but for its free-format bit-rate
// index 0. Free format is that rare elsewhere, while 0xFF 0xFF 0x00 or
// 0xFF 0xE2 0x00 is common in every kind of binary file.
bool IsFreeFormat(uint32_t header) {
  constexpr uint32_t kVersionLayerMask = 0x001E0000, kMpeg1Layer3 = 0x001A0000;
  return MpegBitRateIndex(header) == 0 && (header & kVersionLayerMask) == kMpeg1Layer3 &&
         MpegFrameLength(header | kLowestBitRateIndex) != 0;
}

bool ReadHeader(TMpegSourceTAG& input, uint64_t at, uint32_t* header) {
  uint8_t bytes[4];
  if (input.ReadAt(at, bytes, 4) != 4) return false;
  *header = MpegHeaderAt(bytes);
  return true;
}

// Where the free-format frame at `at` ends: at the next header of its
// stream, or 0 when there is none within a frame's reach. A frame is never
// shorter than one at the lowest standard bit rate.
uint64_t FreeFormatFrameEnd(TMpegSourceTAG& input, uint64_t at, uint32_t header) {
  uint8_t bytes[kMaxFreeFormatFrameBytes + 4];
  const long read = input.ReadAt(at, bytes, sizeof bytes);
  for (long k = long(MpegMinFrameLength(header | kLowestBitRateIndex)); k + 4 <= read; ++k)
    if ((MpegHeaderAt(bytes + k) & kFreeFormatMask) == (header & kFreeFormatMask)) return at + uint64_t(k);
  return 0;
}

uint64_t FrameEnd(TMpegSourceTAG& input, uint64_t at, uint32_t header) {
  if (IsFreeFormat(header)) return FreeFormatFrameEnd(input, at, header);
  return at + MpegFrameLength(header);
}

// Emphasis 2 is reserved: no encoder writes it, while tables of machine
// code (0xFF 0xFF 0x25 ...) that chain like frames have it.
bool CouldStartRun(uint32_t header) {
  constexpr uint32_t kEmphasisMask = 3, kReservedEmphasis = 2;
  if ((header & kEmphasisMask) == kReservedEmphasis) return false;
  return MpegFrameLength(header) != 0 || IsFreeFormat(header);
}

// Layer I is all but gone from real files, while its header 0xFF 0xFF
// chains through repeated machine code: a layer I stream must start where
// the search does, and only the other layers are looked for behind junk.
bool IsLayer1(uint32_t header) { return ((header >> 17) & 3) == 3; }

// A layer I frame opens with 4-bit bit allocations, the first 32 of which
// are there in every channel mode, and 15 is forbidden: machine code that
// chains like layer I frames almost never passes this.
bool PlausibleBody(TMpegSourceTAG& input, uint64_t at, uint32_t header) {
  constexpr uint32_t kNoCrc = 0x00010000;
  constexpr size_t kAllocationBytes = 16;
  if (!IsLayer1(header)) return true;
  const uint64_t body = at + 4 + ((header & kNoCrc) ? 0 : 2);
  uint8_t allocations[kAllocationBytes];
  if (input.ReadAt(body, allocations, kAllocationBytes) != long(kAllocationBytes)) return false;
  for (uint8_t pair : allocations)
    if ((pair >> 4) == 15 || (pair & 15) == 15) return false;
  return true;
}

bool IsEndOfStream(TMpegSourceTAG& input, uint64_t at) {
  const uint64_t size = input.Size();
  if (at == size) return true;
  uint8_t tag[3];
  return at + kId3v1Bytes == size && input.ReadAt(at, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0;
}
}  // namespace

TMpegRun MpegRunAt(TMpegSourceTAG& input, uint64_t at) {
  TMpegRun run{false, at, 0, false};
  if (!ReadHeader(input, at, &run.header) || !CouldStartRun(run.header) || !PlausibleBody(input, at, run.header))
    return run;
  uint32_t header = run.header;
  const uint64_t firstLength = FrameEnd(input, at, header) - at;
  for (int frame = 1; frame < kRunFrames; ++frame) {
    const uint64_t next = FrameEnd(input, at, header);
    if (next != 0 && IsEndOfStream(input, next)) break;
    if (next == 0 || !ReadHeader(input, next, &header)) return run;
    // Free-format frames differ in length by their padding byte at most.
    const uint64_t length = next - at;
    if (IsFreeFormat(run.header) && (length + 1 < firstLength || length > firstLength + 1)) return run;
    if (!CouldStartRun(header) || !SameKindOfStream(header, run.header) || !PlausibleBody(input, next, header))
      return run;
    run.bitRateChanges = run.bitRateChanges || MpegBitRateIndex(header) != MpegBitRateIndex(run.header);
    at = next;
  }
  run.found = true;
  return run;
}

TMpegRun FindMpegRun(TMpegSourceTAG& input, uint64_t from, uint64_t reach) {
  std::vector<uint8_t> bytes(kSearchStepBytes + 3);
  for (uint64_t start = from; start < from + reach; start += kSearchStepBytes) {
    const long read = input.ReadAt(start, bytes.data(), bytes.size());
    const long candidates = std::min<long>(read - 3, long(std::min<uint64_t>(kSearchStepBytes, from + reach - start)));
    for (long k = 0; k < candidates; ++k) {
      const uint32_t header = MpegHeaderAt(&bytes[size_t(k)]);
      if (!CouldStartRun(header) || (IsLayer1(header) && start + uint64_t(k) != from)) continue;
      const TMpegRun run = MpegRunAt(input, start + uint64_t(k));
      if (run.found) return run;
    }
    if (read < long(bytes.size())) break;
  }
  return {};
}
