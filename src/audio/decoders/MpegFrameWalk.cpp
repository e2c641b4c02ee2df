#include "audio/decoders/MpegFrameWalk.h"

#include <cstring>

#include "audio/decoders/Id3Tag.h"
#include "audio/decoders/MpegHeader.h"
#include "audio/decoders/OzoFileStream.h"

namespace {
constexpr uint32_t kWalkBufferBytes = 49152;

// Stream words are little-endian; a header's first byte is its most significant.
uint32_t HeaderFromWord(uint32_t word) { return __builtin_bswap32(word); }

// Leaves the stream past the ID3 version 2 tag at the start, if there is one.
// The header is read apart, so that the stream does not fill its buffer with
// the tag.
void SkipId3v2Tag(TMpegSourceTAG& input, TOzoFileStreamTAG& stream) {
  uint8_t head[12] = {};
  const long read = input.ReadAt(0, head, sizeof head);
  // Whole 32-bit words only: a file too short for a tag header leaves zeros.
  const size_t words = read > 0 ? size_t(read) / 4 * 4 : 0;
  std::memset(head + words, 0, sizeof head - words);
  stream.SeekStream(long(Id3v2TagSize(head)), 0);
}

// Looks for a header at the stream position and at most kMaxSyncPositions - 1
// positions after it. True with *header set and the stream just after it.
bool FindSync(TOzoFileStreamTAG& stream, uint32_t* header) {
  uint32_t word;
  if (stream.ReadWord(&word) != 4) return false;
  uint32_t window = HeaderFromWord(word);
  uint32_t lookAhead = 0;
  int unused = 0;  // look-ahead bytes not yet shifted into the window
  for (size_t tried = 1; !MpegFrameLength(window); ++tried) {
    if (tried == kMaxSyncPositions) return false;
    if (unused == 0) {
      if (stream.ReadWord(&lookAhead) != 4) return false;
      unused = 4;
    }
    window = window << 8 | (lookAhead & 0xFF);
    lookAhead >>= 8;
    --unused;
  }
  if (unused) stream.SeekStream(-unused, 1);
  *header = window;
  return true;
}
}  // namespace

uint32_t CountMpegFrames(TMpegSourceTAG& input) {
  TOzoFileStreamTAG stream;
  if (stream.OpenStream(input, kWalkBufferBytes) != 0) return 0;
  SkipId3v2Tag(input, stream);
  uint32_t frames = 0, header = 0, word = 0;
  while (FindSync(stream, &header)) {
    for (;;) {
      ++frames;  // the frame at header counts whatever follows it
      const long length = long(MpegFrameLength(header));
      if (stream.SeekStream(length - 4, 1) < 0 || stream.ReadWord(&word) != 4) return frames;
      header = HeaderFromWord(word);
      if (!MpegFrameLength(header)) break;  // search again after these four bytes
    }
  }
  return frames;
}

uint32_t CountMpegFrames(const char* fileName) {
  TOzoFileTAG file(fileName);
  return CountMpegFrames(file);
}
