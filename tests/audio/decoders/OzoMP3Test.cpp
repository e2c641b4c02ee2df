#include "audio/decoders/OzoMP3.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio/decoders/MpegFrameWalk.h"
#include "foundation/OzoError.h"
#include "platform/mpeg/XaDecoder.h"
#include "support/Mp3Fixtures.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using ::testing::StartsWith;

namespace {
std::vector<std::string> reports;
void Record(const char* line) { reports.push_back(line); }

struct Mp3Decoder : ::testing::Test {
  void SetUp() override {
    reports.clear();
    SetErrorHook(Record);
  }
  void TearDown() override { SetErrorHook(nullptr); }

  int Open(const std::string& name, unsigned flags = 0) { return mp3.Open(Mp3Fixture(name).c_str(), flags); }
  // Milliseconds of the decoded stream, the length a listener gets.
  double DecodedMs(const std::string& name) {
    return 1000.0 * DecodedFrames(Mp3Fixture(name)) * mp3.BlockSize / mp3.Format.nAvgBytesPerSec;
  }

  TOzoMP3TAG mp3;
};

const char* const kAllFixtures[] = {"cbr128.mp3", "mpeg2_mono.mp3", "mpeg25.mp3",      "vbr_xing.mp3",
                                    "layer2.mp2", "id3v1.mp3",      "id3v2_large.mp3", "frames20.mp3"};
}  // namespace

TEST_F(Mp3Decoder, ClaimsMpegExtensionsInAnyLetterCase) {
  for (const char* name : {"a.mp3", "b.Mp2", "/x.y/C.MPG"}) EXPECT_TRUE(mp3.CanOpen(name)) << name;
  for (const char* name : {"d.mpeg", "e.wav", "mp3", "f.mp3.txt"}) EXPECT_FALSE(mp3.CanOpen(name)) << name;
}

TEST_F(Mp3Decoder, OutputsEachStreamAt16BitsInItsOwnRateAndChannels) {
  struct Case {
    const char* name;
    uint32_t rate;
    uint16_t channels;
    uint32_t samplesPerFrame;
  };
  for (const Case& c : {Case{"cbr128.mp3", 44100, 2, 1152}, Case{"mpeg2_mono.mp3", 22050, 1, 576},
                        Case{"mpeg25.mp3", 8000, 1, 576}, Case{"layer2.mp2", 44100, 2, 1152}}) {
    ASSERT_EQ(Open(c.name), 0) << c.name << ": " << GetLastErrorText();
    EXPECT_EQ(mp3.Format.wFormatTag, 1);
    EXPECT_EQ(mp3.Format.nSamplesPerSec, c.rate) << c.name;
    EXPECT_EQ(mp3.Format.nChannels, c.channels) << c.name;
    EXPECT_EQ(mp3.Format.wBitsPerSample, 16);
    EXPECT_EQ(mp3.Format.nBlockAlign, c.channels * 2);
    EXPECT_EQ(mp3.Format.nAvgBytesPerSec, c.rate * c.channels * 2);
    EXPECT_EQ(mp3.BlockSize, c.samplesPerFrame * c.channels * 2) << c.name;
  }
}

TEST_F(Mp3Decoder, RefusesStreamsOfFewerThan20Frames) {
  for (unsigned flags : {0u, kOpenExactLength}) {
    EXPECT_EQ(Open("frames19.mp3", flags), -1);
    EXPECT_THAT(GetLastErrorText(), StartsWith("MP3 decoder: Stream too short (19 frames) (OzoMP3.cpp "));
    EXPECT_FALSE(mp3.Opened);
    ASSERT_EQ(Open("frames20.mp3", flags), 0) << GetLastErrorText();
    EXPECT_EQ(mp3.Frames, 20u);
  }
}

TEST_F(Mp3Decoder, ExactLengthIsWithinOneFrameOfTheDecodedStream) {
  for (const char* name : kAllFixtures) {
    ASSERT_EQ(Open(name, kOpenExactLength), 0) << name << ": " << GetLastErrorText();
    const double frameMs = 1000.0 * mp3.BlockSize / mp3.Format.nAvgBytesPerSec;
    EXPECT_NEAR(mp3.Frames, DecodedFrames(Mp3Fixture(name)), 1) << name;
    EXPECT_NEAR(mp3.Duration, DecodedMs(name), frameMs + 1) << name;
  }
}

// The estimate alone misses a VBR stream by a factor of two or more (the
// more if it opens quietly), and counts a tag of cover art as minutes of
// audio.
TEST_F(Mp3Decoder, FastLengthIsWithinOnePercentWithVbrHeadersAndTagsLeftOut) {
  for (const char* name :
       {"cbr128.mp3", "vbr_xing.mp3", "id3v1.mp3", "id3v2_large.mp3", "vbr_bare.mp3", "vbr_quiet_bare.mp3"}) {
    ASSERT_EQ(Open(name), 0) << name << ": " << GetLastErrorText();
    const double decodedMs = DecodedMs(name);
    EXPECT_NEAR(mp3.Duration, decodedMs, decodedMs * 0.01) << name;
  }
  ASSERT_EQ(Open("vbr_xing.mp3"), 0);
  const uint32_t fullCount = DecodedFrames(Mp3Fixture("vbr_xing.mp3"));
  EXPECT_EQ(mp3.Frames, fullCount);  // the header's count, exactly

  // A file cut to a tenth keeps the count of the whole: too many frames for
  // its bytes, so the count is not believed.
  TempDir dir;
  const std::string whole = ReadFileBytes(Mp3Fixture("vbr_xing.mp3"));
  WriteFileBytes(dir.File("cut.mp3"), whole.substr(0, whole.size() / 10));
  ASSERT_EQ(mp3.Open(dir.File("cut.mp3").c_str(), 0), 0);
  EXPECT_LT(mp3.Frames, fullCount / 2);

  // Two files joined: the first one's header counts its own bytes and frames
  // only, so they are not believed and the frames are counted.
  const std::string joined = dir.File("joined.mp3");
  WriteFileBytes(joined, ReadFileBytes(Mp3Fixture("cbr128.mp3")) + whole);
  ASSERT_EQ(mp3.Open(joined.c_str(), 0), 0);
  EXPECT_EQ(mp3.Frames, CountMpegFrames(joined.c_str()));
}

TEST_F(Mp3Decoder, FrameWalkLooksForTheFirstFrameAfterALargeId3v2Tag) {
  const std::string file = Mp3Fixture("id3v2_large.mp3");
  ASSERT_GT(ReadFileBytes(file).find("\xFF\xFB"), 100000u);  // far beyond the sync search's reach
  EXPECT_EQ(CountMpegFrames(file.c_str()), DecodedFrames(file));
}

// Counted by the library's file input. The tag readers, the layout and the
// frame walk read what the library read to start from memory, and nothing
// reads the large ID3v2 tag's body, which is not audio.
TEST_F(Mp3Decoder, AnOpenReadsEachByteOfTheFileAtMostOnce) {
  const std::string file = ReadFileBytes(Mp3Fixture("id3v2_large.mp3"));
  const uint64_t firstFrame = file.find("\xFF\xFB");
  ASSERT_GT(firstFrame, 100000u);
  constexpr uint64_t kPage = 4096;  // the tag's header is read as a page
  ASSERT_EQ(Open("id3v2_large.mp3", kOpenExactLength), 0);
  EXPECT_LE(mp3.Decoder->input.bytes_read, file.size() - firstFrame + kPage);
  // The tag's header, the first frames and the ID3v1 tail.
  ASSERT_EQ(Open("id3v2_large.mp3"), 0);
  EXPECT_LE(mp3.Decoder->input.bytes_read, 4 * kPage);
}

TEST_F(Mp3Decoder, TitleComesFromTheId3v1TagOfAnOpenStream) {
  ASSERT_EQ(Open("id3v1.mp3"), 0);
  EXPECT_STREQ(mp3.GetTitle(), "Ozo - Night Drive");
  mp3.Close();
  EXPECT_EQ(mp3.GetTitle(), nullptr);
  ASSERT_EQ(Open("cbr128.mp3"), 0);
  EXPECT_EQ(mp3.GetTitle(), nullptr);
}

TEST_F(Mp3Decoder, SkipIsTheStreamDelayOfItsLayerPlusTheOffsetIntoTheFrame) {
  ASSERT_EQ(Open("cbr128.mp3"), 0);
  unsigned skip = 0;
  ASSERT_EQ(mp3.Seek(0, &skip), 0);
  EXPECT_EQ(skip, 1105u * 4);
  EXPECT_EQ(mp3.StartSkip, 1105u * 4);
  // 270 ms = 47628 bytes: frame 10 (4608 bytes each) and 1548 bytes into it.
  ASSERT_EQ(mp3.Seek(270, &skip), 0);
  EXPECT_EQ(skip, 1548u + 1105u * 4);
  ASSERT_EQ(Open("mpeg2_mono.mp3"), 0);
  EXPECT_EQ(mp3.StartSkip, 1105u * 2);
  ASSERT_EQ(Open("layer2.mp2"), 0);
  EXPECT_EQ(mp3.StartSkip, 481u * 4);
}

TEST_F(Mp3Decoder, AfterASeekTheKeptAudioIsTheStraightDecodeFromThatPosition) {
  for (auto [name, flags] : {std::pair{"cbr128.mp3", 0u}, std::pair{"vbr_xing.mp3", 0u},
                             std::pair{"id3v1.mp3", kOpenExactLength}, std::pair{"layer2.mp2", kOpenExactLength}}) {
    ASSERT_EQ(Open(name, flags), 0) << name;
    unsigned skip = 0;
    ASSERT_EQ(mp3.Seek(0, &skip), 0);
    const std::string straight = DecodeToEnd(mp3);
    ASSERT_EQ(straight.size(), size_t(mp3.Frames) * mp3.BlockSize) << name;
    for (unsigned ms : {100u, 333u, 1234u, 4321u, mp3.Duration - 100}) {
      ASSERT_EQ(mp3.Seek(ms, &skip), 0) << name << " " << ms;
      const uint64_t bytes = uint64_t(ms) * mp3.Format.nAvgBytesPerSec / 1000;
      const size_t frameStart = bytes / mp3.BlockSize * mp3.BlockSize;
      EXPECT_EQ(skip, (bytes - frameStart) / 4 * 4 + mp3.StartSkip) << name << " " << ms;
      const std::string kept = DecodeToEnd(mp3).substr(skip);
      EXPECT_TRUE(kept == straight.substr(frameStart + skip)) << name << " at " << ms << " ms";
    }
  }
}

TEST_F(Mp3Decoder, DecodingPastTheEndFillsSilenceAndCountsOnlyRealFrames) {
  ASSERT_EQ(Open("cbr128.mp3", kOpenExactLength), 0);
  unsigned skip = 0, decoded = 99;
  ASSERT_EQ(mp3.Seek(mp3.Duration - 100, &skip), 0);
  std::vector<char> dest(64 * mp3.BlockSize, '\x5A');
  EXPECT_EQ(mp3.Decode(dest.data(), 64, &decoded), 0);
  EXPECT_GT(decoded, 0u);
  EXPECT_LT(decoded, 10u);
  EXPECT_EQ(std::string(dest.begin() + decoded * mp3.BlockSize, dest.end()),
            std::string((64 - decoded) * mp3.BlockSize, '\0'));
  std::fill(dest.begin(), dest.end(), '\x5A');
  EXPECT_EQ(mp3.Decode(dest.data(), 64, &decoded), 0);
  EXPECT_EQ(decoded, 0u);
  EXPECT_EQ(std::string(dest.begin(), dest.end()), std::string(dest.size(), '\0'));
  EXPECT_TRUE(reports.empty()) << reports.front();
}

TEST_F(Mp3Decoder, WithoutAStreamSeekAndDecodeFailWithTheirMessages) {
  unsigned skip = 0, decoded = 7;
  char block[16];
  EXPECT_EQ(mp3.Seek(0, &skip), -1);
  EXPECT_THAT(GetLastErrorText(), StartsWith("MP3 decoder: No open stream (OzoMP3.cpp "));
  EXPECT_EQ(mp3.Decode(block, 1, &decoded), -1);
  EXPECT_EQ(decoded, 0u);
  EXPECT_THAT(GetLastErrorText(), StartsWith("MP3 decoder: No open file (OzoMP3.cpp "));
}

TEST_F(Mp3Decoder, UnreadableFilesFailWithTheLibraryNoticeAndTheDesignedMessage) {
  TempDir dir;
  EXPECT_EQ(mp3.Open(dir.File("missing.mp3").c_str(), kOpenExactLength), -1);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_THAT(reports[0], StartsWith("MP3 decoder: (XAUDIO) error, source=1, code=-513, cannot open the input (" +
                                     dir.File("missing.mp3") + ") (OzoMP3.cpp "));
  EXPECT_THAT(reports[1], StartsWith("MP3 decoder: XAUDIO: Cannot open input [XA_ERROR_NO_SUCH_FILE] (OzoMP3.cpp "));

  EXPECT_EQ(mp3.Open(dir.Path().c_str(), 0), -1);
  EXPECT_THAT(GetLastErrorText(), StartsWith("MP3 decoder: XAUDIO: Cannot open input [XA_ERROR_OPEN_FAILED]"));

  WriteFileBytes(dir.File("empty.mp3"), "");
  WriteFileBytes(dir.File("noise.mp3"), PatternBytes(1 << 20));
  for (const char* name : {"empty.mp3", "noise.mp3"}) {
    EXPECT_EQ(mp3.Open(dir.File(name).c_str(), kOpenExactLength), -1);
    EXPECT_THAT(GetLastErrorText(),
                StartsWith("MP3 decoder: XAUDIO: Cannot retrieve input info [XA_ERROR_UNSUPPORTED_INPUT]"))
        << name;
    EXPECT_FALSE(mp3.Opened);
  }
}

TEST_F(Mp3Decoder, DamagedStreamsPlayWhatIsLeftOrFailWithAMessage) {
  TempDir dir;
  const std::string good = ReadFileBytes(Mp3Fixture("cbr128.mp3"));
  const std::string damaged[] = {
      good.substr(0, good.size() / 2),                                          // truncated
      good.substr(0, 30000) + std::string(3000, '\x55') + good.substr(30000),   // junk inside
      good.substr(0, 30000) + std::string(20000, '\xFF') + good.substr(50000),  // sync bytes all over
      std::string(50000, '\xFF'),
  };
  for (size_t i = 0; i < std::size(damaged); ++i) {
    const std::string file = dir.File("damaged" + std::to_string(i) + ".mp3");
    WriteFileBytes(file, damaged[i]);
    for (unsigned flags : {0u, kOpenExactLength}) {
      reports.clear();
      if (mp3.Open(file.c_str(), flags) != 0) {
        EXPECT_THAT(GetLastErrorText(), StartsWith("MP3 decoder: ")) << i;
        continue;
      }
      const std::string pcm = DecodeToEnd(mp3);
      EXPECT_LE(pcm.size(), good.size() * 100) << i;  // ended, and not with endless audio
    }
  }
  WriteFileBytes(dir.File("half.mp3"), damaged[0]);
  ASSERT_EQ(mp3.Open(dir.File("half.mp3").c_str(), 0), 0);
  EXPECT_LT(DecodeToEnd(mp3).size(), size_t(mp3.Frames) * mp3.BlockSize * 6 / 10);
}

TEST_F(Mp3Decoder, JunkBetweenFramesIsSkippedWithoutLosingAFrame) {
  TempDir dir;
  const std::string good = ReadFileBytes(Mp3Fixture("cbr128.mp3"));
  std::string junk;
  for (int i = 0; i < 20000; ++i) junk += char(i);  // an FF is always followed by 00: never a sync
  WriteFileBytes(dir.File("junk.mp3"), good.substr(0, 30000) + junk + good.substr(30000));
  ASSERT_EQ(mp3.Open(dir.File("junk.mp3").c_str(), 0), 0);
  // The frame the junk cut into is lost; every other one plays.
  EXPECT_NEAR(DecodeToEnd(mp3).size() / mp3.BlockSize, DecodedFrames(Mp3Fixture("cbr128.mp3")), 1);
  EXPECT_TRUE(reports.empty()) << reports.front();
}

// Played, such files were full-scale noise: the library finds something like
// a frame in any large file and syncs on through whatever follows.
TEST_F(Mp3Decoder, OnlyFilesThatStartWithMpegFramesOpen) {
  TempDir dir;
  const std::string m4a = std::string(
                              "\0\0\0\x10"
                              "ftypM4A \0\0\0\0\0\x10\0\x08mdat",
                              24) +
                          PatternBytes(1 << 20, 7);
  const std::pair<const char*, std::string> others[] = {
      {"program.mp3", ReadFileBytes("/proc/self/exe").substr(0, 2 << 20)},
      {"image.mp3", ReadFileBytes(VYS_RESOURCES_DIR "/artwork/OZOKNOB_DEFAULT.png")},
      {"aac.mp3", m4a},
      {"random.mp3", PatternBytes(1 << 20, 3)}};
  for (const auto& [name, bytes] : others) {
    WriteFileBytes(dir.File(name), bytes);
    EXPECT_EQ(mp3.Open(dir.File(name).c_str(), 0), -1) << name;
    EXPECT_THAT(GetLastErrorText(),
                StartsWith("MP3 decoder: XAUDIO: Cannot retrieve input info [XA_ERROR_UNSUPPORTED_"))
        << name;
  }
  // A real stream behind junk, or behind a second ID3v2 tag larger than any
  // junk, opens whole.
  const std::string secondTag = std::string("ID3\3\0\0\0\x06\0\0", 10) + std::string(6 << 14, '\0');
  for (const std::string& front : {PatternBytes(700, 5), std::string("ID3\3\0\0\0\0\0\0", 10) + secondTag}) {
    WriteFileBytes(dir.File("behind.mp3"), front + ReadFileBytes(Mp3Fixture("cbr128.mp3")));
    ASSERT_EQ(mp3.Open(dir.File("behind.mp3").c_str(), 0), 0) << GetLastErrorText();
    EXPECT_NEAR(DecodeToEnd(mp3).size() / mp3.BlockSize, DecodedFrames(Mp3Fixture("cbr128.mp3")), 1);
  }
}

// Bytes after the stream that are not audio (a file joined to a program, a
// download cut short and filled up) end it, whatever length was promised.
TEST_F(Mp3Decoder, AStreamEndsWhereBytesThatAreNotAudioBegin) {
  TempDir dir;
  const std::string whole = ReadFileBytes(Mp3Fixture("id3v1.mp3"));
  WriteFileBytes(dir.File("then_noise.mp3"), whole.substr(0, whole.size() / 2) + PatternBytes(2 << 20, 11));
  ASSERT_EQ(Open("id3v1.mp3"), 0);
  const std::string source = DecodeToEnd(mp3);
  ASSERT_EQ(mp3.Open(dir.File("then_noise.mp3").c_str(), 0), 0) << GetLastErrorText();
  const std::string pcm = DecodeToEnd(mp3);
  EXPECT_EQ(pcm, source.substr(0, pcm.size())) << "ends with the stream, never with noise";
  EXPECT_NEAR(double(pcm.size()), source.size() / 2.0, 2.0 * mp3.BlockSize) << "plays every whole frame kept";
  EXPECT_THAT(GetLastErrorText(), StartsWith("MP3 decoder: No audio after byte "));

  // A short stretch of them, false frame headers and all, is skipped, and
  // the stream plays on.
  const std::string noise = PatternBytes(1000, 5) + "\xFF\xFB\x90\x64" + PatternBytes(2000, 6);
  WriteFileBytes(dir.File("noise_within.mp3"), whole.substr(0, 30000) + noise + whole.substr(30000));
  ASSERT_EQ(mp3.Open(dir.File("noise_within.mp3").c_str(), 0), 0);
  EXPECT_NEAR(double(DecodeToEnd(mp3).size()), double(source.size()), 2.0 * mp3.BlockSize);
}

TEST(Mp3Length, FrameProductDoesNotWrapFor32Bits) {
  // A seven-hour mix: 1,000,000 frames of 4608 bytes, over 2^32 bytes of PCM.
  EXPECT_EQ(Mp3FramesDuration(1'000'000, 4608, 176400), 26'122'448u);
  EXPECT_EQ(Mp3EstimatedDuration(1'000'000, 128), 62'643u);
  EXPECT_EQ(Mp3EstimatedDuration(1'000'000, 0), 0u);  // free format without a rate: no length
}
