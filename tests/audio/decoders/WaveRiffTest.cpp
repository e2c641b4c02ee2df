#include "audio/decoders/WaveRiff.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
struct RiffFile : ::testing::Test {
  TempDir dir;
  HWAVEFILE file = nullptr;
  TWaveFormatEx* format = nullptr;
  TRiffChunk riff{}, data{};

  void TearDown() override { WaveClose(&file, &format); }

  int Open(const std::string& bytes) {
    std::string path = dir.File("t.wav");
    WriteFileBytes(path, bytes);
    return WaveOpen(path.c_str(), &file, &format, &riff);
  }

  std::string ReadAll(uint32_t request) {
    std::string out;
    std::vector<char> buffer(request);
    uint32_t got = 0;
    do {
      WaveRead(file, request, buffer.data(), &data, &got);
      out.append(buffer.data(), got);
    } while (got > 0);
    return out;
  }
};
}  // namespace

TEST_F(RiffFile, OpenRejectsWhatIsNotAWaveFileWithItsCode) {
  EXPECT_EQ(WaveOpen(dir.File("missing.wav").c_str(), &file, &format, &riff), WAVEERR_CANTOPEN);
  EXPECT_EQ(WaveOpen(dir.Path().c_str(), &file, &format, &riff), WAVEERR_CANTOPEN);

  std::string wav = MakeWav({});
  std::string rifx = wav;
  rifx[3] = 'X';
  EXPECT_EQ(Open(rifx), WAVEERR_NOTWAVE);
  std::string avi = wav;
  avi.replace(8, 4, "AVI ");
  EXPECT_EQ(Open(avi), WAVEERR_NOTWAVE);
  EXPECT_EQ(Open(MakeWav({.fmtSize = 14})), WAVEERR_NOTWAVE) << "a 14-byte fmt chunk";
  EXPECT_EQ(file, nullptr);
  EXPECT_EQ(format, nullptr);
}

TEST_F(RiffFile, FormatRecordCarriesExtraBytesThatFitTheChunk) {
  std::string extras = PatternBytes(32);
  ASSERT_EQ(Open(MakeWav({.formatTag = 2, .fmtSize = 50, .fmtTail = LittleEndian16(32) + extras})), 0);
  EXPECT_EQ(format->pcm.wFormatTag, 2);
  ASSERT_EQ(format->cbSize, 32);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(format + 1), 32), extras);
  WaveClose(&file, &format);

  EXPECT_EQ(Open(MakeWav({.formatTag = 2, .fmtSize = 20, .fmtTail = LittleEndian16(32) + "ab"})), WAVEERR_NOTWAVE)
      << "extra bytes claimed beyond the chunk";

  // A 16-byte chunk has no extra-size word: the next chunk's id is not read as one.
  ASSERT_EQ(Open(MakeWav({.formatTag = 3, .fmtSize = 16, .data = "abcd"})), 0);
  EXPECT_EQ(format->cbSize, 0);
}

TEST_F(RiffFile, FindsDataPastOddSizedChunksAndTheirPadByte) {
  std::string audio = PatternBytes(1000);
  WavLayout layout{.chunksBeforeData = {{"LIST", "odd"}, {"junk", PatternBytes(7, 3)}}, .data = audio};
  ASSERT_EQ(Open(MakeWav(layout)), 0);
  ASSERT_EQ(WaveFindData(file, &data, &riff), 0);
  EXPECT_EQ(data.cksize, 1000u);
  EXPECT_EQ(ReadAll(333), audio);
}

TEST_F(RiffFile, SeekDataStartsAtTheOffsetAndShrinksWhatRemains) {
  std::string audio = PatternBytes(4000);
  ASSERT_EQ(Open(MakeWav({.data = audio})), 0);
  ASSERT_EQ(WaveSeekData(file, &data, &riff, 1236), 0);
  EXPECT_EQ(data.cksize, 4000u - 1236);
  EXPECT_EQ(ReadAll(1000), audio.substr(1236));
  EXPECT_EQ(WaveSeekData(file, &data, &riff, 4001), -1);
}

TEST_F(RiffFile, TruncatedDataChunkYieldsWhatIsThere) {
  std::string audio = PatternBytes(5000);
  for (uint32_t declared : {1000000u, 0xFFFFFFFFu}) {  // cut short; left unfilled by a recorder that streams
    std::string wav = MakeWav({.data = audio, .declaredDataSize = declared});
    wav.replace(4, 4, LittleEndian32(declared));
    WaveClose(&file, &format);
    ASSERT_EQ(Open(wav), 0) << declared;
    ASSERT_EQ(WaveFindData(file, &data, &riff), 0);
    EXPECT_EQ(data.cksize, 5000u);
    EXPECT_EQ(ReadAll(4096), audio);
  }
}

// A chunk size that wraps a 32-bit offset back onto a planted "data" header
// must not be followed there.
TEST_F(RiffFile, ChunkSizeOverflowingAnOffsetIsRejected) {
  std::string planted = "data" + LittleEndian32(8) + "PLANTED!";
  std::string wav = MakeWav({.channels = 1, .bits = 8, .data = "real"});
  size_t dataAt = wav.find("data");
  std::string hostile = wav.substr(0, dataAt) + "junk" + LittleEndian32(0xFFFFFFFF) + planted;
  hostile.replace(4, 4, LittleEndian32(uint32_t(hostile.size() - 8)));
  ASSERT_EQ(hostile.find("data"), dataAt + 8) << "the planted header sits where a wrapped offset lands";
  ASSERT_EQ(Open(hostile), 0);
  EXPECT_EQ(WaveFindData(file, &data, &riff), MMIOERR_CHUNKNOTFOUND);
}
