#include "audio/decoders/MpegHeader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "audio/decoders/MpegFrameWalk.h"
#include "support/TempDir.h"

namespace {
constexpr uint32_t kMpeg1Layer3At128k = 0xFFFB9064;  // 44100 Hz, no padding: 417 bytes

std::string Header(uint32_t h) { return {char(h >> 24), char(h >> 16), char(h >> 8), char(h)}; }
// One frame: the header and a body of zeros, which never looks like a header.
std::string Frame(uint32_t h = kMpeg1Layer3At128k) { return Header(h) + std::string(MpegFrameLength(h) - 4, '\0'); }
std::string Frames(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += Frame();
  return bytes;
}
uint32_t Walk(const std::string& bytes) {
  TempDir dir;
  WriteFileBytes(dir.File("walk.mp3"), bytes);
  return CountMpegFrames(dir.File("walk.mp3").c_str());
}
}  // namespace

TEST(MpegFrameLength, FollowsTheStandardForEachVersionAndLayer) {
  EXPECT_EQ(MpegFrameLength(0xFFFB9064), 417u);
  EXPECT_EQ(MpegFrameLength(0xFFFB9264), 418u);     // padding bit
  EXPECT_EQ(MpegFrameLength(0xFFF38064), 208u);     // MPEG-2 layer III, 64 kbit/s, 22050 Hz
  EXPECT_EQ(MpegFrameLength(0xFFFFC400), 384u);     // MPEG-1 layer I, 384 kbit/s, 48000 Hz
  EXPECT_EQ(MpegFrameLength(0xFFFD9000), 522u);     // MPEG-1 layer II, 160 kbit/s, 44100 Hz
  EXPECT_EQ(MpegFrameLength(0xFFE38800), 576u);     // MPEG-2.5 layer III, 64 kbit/s, 8000 Hz
  EXPECT_EQ(MpegFrameLength(0xFFF7E800), 768u);     // MPEG-2 layer I, 256 kbit/s, 16000 Hz
  EXPECT_EQ(MpegMinFrameLength(0xFFFB9264), 104u);  // the same stream at 32 kbit/s, unpadded
}

TEST(MpegFrameLength, RejectsEveryInvalidField) {
  EXPECT_EQ(MpegFrameLength(0xFFDB9064), 0u);  // a sync bit missing
  EXPECT_EQ(MpegFrameLength(0xFFEB9064), 0u);  // version 1 is reserved
  EXPECT_EQ(MpegFrameLength(0xFFF99064), 0u);  // layer 0 is reserved
  EXPECT_EQ(MpegFrameLength(0xFFFB0064), 0u);  // free format
  EXPECT_EQ(MpegFrameLength(0xFFFBF064), 0u);  // bit-rate index 15
  EXPECT_EQ(MpegFrameLength(0xFFFB9C64), 0u);  // sample-rate index 3
}

TEST(VbrHeader, ReadsXingInfoAndVbriCountsOfFramesAndBytes) {
  // {frames, bytes} of the header in the first `size` bytes of frame.
  const auto read = [](const std::string& frame, size_t size) {
    const TVbrHeader header = ReadVbrHeader(reinterpret_cast<const uint8_t*>(frame.data()), size);
    return std::pair(header.frames, header.bytes);
  };
  std::string frame = Frame();  // MPEG-1 stereo: the tag follows 32 bytes of side information
  std::memcpy(&frame[36], "Xing\0\0\0\x0F\0\0\x01\x2C\0\x01\x23\x45", 16);
  EXPECT_EQ(read(frame, frame.size()), std::pair(300u, 0x12345u));
  std::memcpy(&frame[36], "Info\0\0\0\x0E", 8);  // no frame count in the flags: the bytes come first
  EXPECT_EQ(read(frame, frame.size()), std::pair(0u, 0x12Cu));

  std::string mono = Frame(0xFFFB90C4);  // channel mode 3: 17 bytes of side information
  std::memcpy(&mono[21], "Info\0\0\0\x01\0\0\0\x63", 12);
  EXPECT_EQ(read(mono, mono.size()), std::pair(99u, 0u));

  std::string vbri = Frame();
  std::memcpy(&vbri[36], "VBRI\0\x01\0\0\0\0\0\0\x20\0\0\0\x10\x00", 18);
  EXPECT_EQ(read(vbri, vbri.size()), std::pair(0x1000u, 0x2000u));
  EXPECT_EQ(read(vbri, 40).first, 0u);  // cut short
}

TEST(MpegFrameWalk, CountsEveryFrameOfAnUnbrokenChain) {
  EXPECT_EQ(Walk(Frames(25)), 25u);
  EXPECT_EQ(Walk(Frames(25) + Header(kMpeg1Layer3At128k) + "cut"), 26u);  // a cut-off last frame counts
  EXPECT_EQ(Walk(""), 0u);
  EXPECT_EQ(CountMpegFrames("/nonexistent/x.mp3"), 0u);
}

TEST(MpegFrameWalk, SyncSearchTriesExactly4096StartPositions) {
  EXPECT_EQ(Walk(std::string(4095, '\0') + Frames(3)), 3u);
  EXPECT_EQ(Walk(std::string(4096, '\0') + Frames(3)), 0u);
}

TEST(MpegFrameWalk, SearchesAgainAfterABreakInTheChain) {
  EXPECT_EQ(Walk(Frames(5) + std::string(1000, '\x55') + Frames(7)), 12u);
  // Junk longer than the search reaches ends the walk.
  EXPECT_EQ(Walk(Frames(5) + std::string(5000, '\x55') + Frames(7)), 5u);
}

TEST(MpegFrameWalk, StartsAfterAnId3v2Tag) {
  // A tag of 20000 bytes (syncsafe 0x01 0x1C 0x16 = 20000 - 10), full of zeros.
  std::string tag = std::string("ID3\x03\0\0\0\x01\x1C\x16", 10) + std::string(20000 - 10, '\0');
  EXPECT_EQ(Walk(tag + Frames(30)), 30u);
}
