#include "audio/decoders/OzoWAV.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "foundation/OzoError.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using ::testing::MatchesRegex;

namespace {
struct WavDecoder : ::testing::Test {
  TempDir dir;
  TOzoWAVTAG decoder;

  std::string Write(const std::string& name, const WavLayout& layout) {
    std::string path = dir.File(name);
    WriteFileBytes(path, MakeWav(layout));
    return path;
  }

  // Decodes to the end in requests of the given block counts, cycling through them.
  std::string DecodeAll(const std::vector<unsigned>& requests, size_t* audioBlocks = nullptr) {
    std::string out;
    size_t blocks = 0;
    for (size_t i = 0;; ++i) {
      unsigned want = requests[i % requests.size()];
      std::string buffer(want * decoder.BlockSize, '?');
      unsigned got = 99;
      EXPECT_EQ(decoder.Decode(buffer.data(), want, &got), 0);
      out += buffer.substr(0, got * decoder.BlockSize);
      blocks += got;
      if (got < want) break;
    }
    if (audioBlocks) *audioBlocks = blocks;
    return out;
  }
};

// "message (OzoWAV.cpp <line>)"
std::string Line(const std::string& message) { return message + " \\(OzoWAV\\.cpp [0-9]+\\)"; }
}  // namespace

TEST_F(WavDecoder, ClaimsWavExtensionInAnyCaseExceptMpegAndWideFormatsInside) {
  EXPECT_EQ(decoder.CanOpen(dir.File("missing.wav").c_str()), 1) << "Open will say why it fails";
  EXPECT_EQ(decoder.CanOpen(dir.File("MISSING.WAV").c_str()), 1);
  EXPECT_EQ(decoder.CanOpen(dir.File("Mixed.WaV").c_str()), 1);
  EXPECT_EQ(decoder.CanOpen(Write("five.wave", {}).c_str()), 0);
  EXPECT_EQ(decoder.CanOpen(Write("noext", {}).c_str()), 0);
  EXPECT_EQ(decoder.CanOpen(Write("mp3.wav", {.formatTag = 85}).c_str()), 0);
  EXPECT_EQ(decoder.CanOpen(Write("adpcm.wav", {.formatTag = 2}).c_str()), 0) << "left to the sound file decoder";
  EXPECT_EQ(decoder.CanOpen(Write("pcm24.wav", {.bits = 24}).c_str()), 0);
  EXPECT_EQ(decoder.CanOpen(Write("tri.wav", {.channels = 3}).c_str()), 0);
  EXPECT_EQ(decoder.CanOpen(Write("norate.wav", {.rate = 0}).c_str()), 1) << "refused by Open";
}

TEST_F(WavDecoder, OpenGivesFormatDurationAndBlockGeometry) {
  ASSERT_EQ(decoder.Open(Write("cd.wav", {.data = std::string(176400 * 3 / 2, '\0')}).c_str(), 0), 0);
  EXPECT_EQ(decoder.Opened, 1);
  EXPECT_EQ(decoder.Duration, 1500u);
  EXPECT_EQ(decoder.BlockSize, 128u);
  EXPECT_EQ(decoder.AlignMask, -4);
  const TPCMWaveFormat& f = decoder.Format;
  EXPECT_EQ(f.wFormatTag, 1);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nSamplesPerSec, 44100u);
  EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(f.nBlockAlign, 4);
  EXPECT_EQ(f.wBitsPerSample, 16);

  ASSERT_EQ(decoder.Open(
                Write("m8.wav", {.channels = 1, .rate = 22050, .bits = 8, .data = std::string(22050 / 4 + 10, '\x80')})
                    .c_str(),
                0),
            0);
  EXPECT_EQ(decoder.Duration, 250u);
  EXPECT_EQ(decoder.Format.nAvgBytesPerSec, 22050u);
  EXPECT_EQ(decoder.Format.nBlockAlign, 1);
}

TEST_F(WavDecoder, FailuresReportTheirMessageAndLeaveTheDecoderClosed) {
  struct Case {
    std::string name;
    std::string bytes;
    std::string message;
  } cases[] = {
      {"missing.wav", "", "WAV player: Can't open file"},
      {"short-fmt.wav", MakeWav({.fmtSize = 14}), "WAV player: Can't open file"},
      {"adpcm.wav", MakeWav({.formatTag = 2}), "WAV player: Unsupported wave format"},
      {"mp3.wav", MakeWav({.formatTag = 85}), "WAV player: Unsupported wave format"},
      {"no-channels.wav", MakeWav({.channels = 0}), "WAV player: Unsupported wave format"},
      {"no-rate.wav", MakeWav({.rate = 0}), "WAV player: Unsupported wave format"},
      {"4-bit.wav", MakeWav({.bits = 4}), "WAV player: Unsupported wave format"},
      {"no-data.wav", MakeWav({}).substr(0, 36), "WAV player: Loading error"},
  };
  for (const Case& c : cases) {
    if (!c.bytes.empty()) WriteFileBytes(dir.File(c.name), c.bytes);
    EXPECT_EQ(decoder.Open(dir.File(c.name).c_str(), 0), -1) << c.name;
    EXPECT_THAT(GetLastErrorText(), MatchesRegex(Line(c.message))) << c.name;
    EXPECT_EQ(decoder.Opened, 0) << c.name;
  }
  unsigned skip = 0, blocks = 0;
  char buffer[128];
  EXPECT_EQ(decoder.Seek(0, &skip), -1);
  EXPECT_THAT(GetLastErrorText(), MatchesRegex(Line("WAV player:  File not open")));
  ReportError("/x/Other.cpp", 1, kReport, "reset");
  EXPECT_EQ(decoder.Decode(buffer, 1, &blocks), -1);
  EXPECT_EQ(blocks, 0u);
  EXPECT_THAT(GetLastErrorText(), MatchesRegex(Line("WAV player:  File not open")));

  ASSERT_EQ(decoder.Open(Write("good.wav", {.data = "abcd"}).c_str(), 0), 0) << "still usable";
}

TEST_F(WavDecoder, DecodingInAnyRequestSizeReproducesTheDataExactly) {
  struct Case {
    WavLayout layout;
    std::vector<unsigned> requests;
  } cases[] = {
      {{.data = PatternBytes(128 * 700)}, {256}},
      {{.data = PatternBytes(128 * 700)}, {1, 7, 300, 2}},
      {{.channels = 1, .rate = 22050, .bits = 8, .data = PatternBytes(128 * 333, 5)}, {3, 1000}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(decoder.Open(Write("p.wav", c.layout).c_str(), 0), 0);
    EXPECT_EQ(DecodeAll(c.requests), c.layout.data);
  }
}

TEST_F(WavDecoder, EndOfDataIsFilledWithTheFormatsSilence) {
  for (uint16_t bits : {8, 16}) {
    std::string audio = PatternBytes(128 * 3 + 50);  // a partial last block
    ASSERT_EQ(decoder.Open(Write("e.wav", {.channels = 1, .bits = bits, .data = audio}).c_str(), 0), 0);
    const char silence = bits == 8 ? '\x80' : '\0';
    std::string buffer(128 * 5, '?');
    unsigned got = 0;
    ASSERT_EQ(decoder.Decode(buffer.data(), 5, &got), 0);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(buffer.substr(0, 384), audio.substr(0, 384));
    EXPECT_EQ(buffer.substr(384), std::string(128 * 2, silence)) << "partial block replaced by silence";

    ASSERT_EQ(decoder.Decode(buffer.data(), 5, &got), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(buffer, std::string(128 * 5, silence));
  }
}

TEST_F(WavDecoder, SeekPositionsAtTruncatedAlignedOffsetsClampedToTheEnd) {
  std::string audio = PatternBytes(176400 * 2 + 1000);
  ASSERT_EQ(decoder.Open(Write("s.wav", {.data = audio}).c_str(), 0), 0);
  unsigned skip = 77;
  ASSERT_EQ(decoder.Seek(1000, &skip), 0);
  EXPECT_EQ(skip, 0u);
  EXPECT_EQ(decoder.Position, 176400u);
  std::string head(128, '?');
  unsigned got = 0;
  decoder.Decode(head.data(), 1, &got);
  EXPECT_EQ(head, audio.substr(176400, 128));

  ASSERT_EQ(decoder.Seek(999999, &skip), 0);
  EXPECT_EQ(decoder.Position, uint32_t(uint64_t(decoder.Duration) * 176400 / 1000) & ~3u);

  ASSERT_EQ(
      decoder.Open(Write("m.wav", {.channels = 1, .rate = 11025, .bits = 8, .data = PatternBytes(11025)}).c_str(), 0),
      0);
  ASSERT_EQ(decoder.Seek(1, &skip), 0);
  EXPECT_EQ(decoder.Position, 8u) << "11 bytes rounded down to a multiple of 4";
}

TEST_F(WavDecoder, TruncatedFilePlaysWhatIsThereThenSilence) {
  std::string audio = PatternBytes(128 * 100);
  ASSERT_EQ(decoder.Open(Write("t.wav", {.data = audio, .declaredDataSize = 176400 * 60}).c_str(), 0), 0);
  EXPECT_EQ(decoder.Duration, uint32_t(128 * 100 * 1000 / 176400));
  size_t blocks = 0;
  EXPECT_EQ(DecodeAll({64}, &blocks), audio);
  EXPECT_EQ(blocks, 100u);
}
