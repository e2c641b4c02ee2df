// The sound file decoder on its own: which files it claims, the conversion
// to what the buffers take (mix-down, dither), titles, lengths and the
// messages of files it cannot read.
#include "audio/decoders/OzoSND.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/OzoError.h"
#include "support/AudioAnalysis.h"
#include "support/SoundFiles.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using ::testing::MatchesRegex;

namespace {
struct SoundFileDecoder : ::testing::Test {
  TempDir dir;
  TOzoSNDTAG decoder;

  // A 16-bit stereo 48 kHz WAVE file of a 440 Hz sine; `name` as given.
  std::string SineWav(const std::string& name, double seconds) {
    std::string path = dir.File(name);
    WriteFileBytes(
        path, MakeWav({.rate = 48000, .data = PcmBytes(DitheredSine(440, 48000, size_t(seconds * 48000), 0.25, 2))}));
    return path;
  }
  std::string Encoded(const std::string& name, double seconds, const std::string& title = "") {
    std::string out = dir.File(name);
    EXPECT_TRUE(Encode(SineWav("source.wav", seconds), out, title)) << name;
    return out;
  }
};
}  // namespace

TEST(PcmConvert, SurroundMixesDownAtMinus3dBWithoutLfeAndCannotClip) {
  const TSpeaker five1[] = {spLeft, spRight, spCentre, spLfe, spSurroundLeft, spSurroundRight};
  TStereoMix mix = MakeStereoMix(five1, 6);
  const float scale = 1 / (1 + 2 * 0.70710678f);
  EXPECT_FLOAT_EQ(mix.left[0], scale);
  EXPECT_FLOAT_EQ(mix.right[0], 0);
  EXPECT_FLOAT_EQ(mix.left[2], 0.70710678f * scale) << "centre to both sides at -3 dB";
  EXPECT_FLOAT_EQ(mix.right[2], 0.70710678f * scale);
  EXPECT_FLOAT_EQ(mix.left[3] + mix.right[3], 0) << "LFE left out";
  EXPECT_FLOAT_EQ(mix.left[4], 0.70710678f * scale);
  EXPECT_FLOAT_EQ(mix.right[5], 0.70710678f * scale);

  const float full[6] = {1, 1, 1, 1, 1, 1};
  float out[2];
  MixToStereo(mix, full, 6, 1, out);
  EXPECT_LE(out[0], 1.0f) << "full scale everywhere stays within full scale";
  EXPECT_LE(out[1], 1.0f);

  const TSpeaker stereo[] = {spLeft, spRight};
  mix = MakeStereoMix(stereo, 2);
  EXPECT_FLOAT_EQ(mix.left[0], 1) << "nothing to scale in plain stereo";
}

TEST(PcmConvert, SixteenBitValuesPassExactlyAndFinerOnesAreDithered) {
  TTpdfDither dither;
  std::vector<float> onGrid = {0, 1 / 32768.0f, -1, 12345 / 32768.0f, 32767 / 32768.0f};
  std::vector<int16_t> out(onGrid.size());
  FloatToPcm16(onGrid.data(), onGrid.size(), out.data(), dither);
  EXPECT_EQ(out, (std::vector<int16_t>{0, 1, -32768, 12345, 32767}));

  // A quarter of an LSB: rounding would give 0 every time, dither gives
  // values around it whose mean keeps the quarter.
  std::vector<float> quarter(100000, 0.25f / 32768);
  out.resize(quarter.size());
  FloatToPcm16(quarter.data(), quarter.size(), out.data(), dither);
  double sum = 0;
  for (int16_t v : out) {
    ASSERT_GE(v, -1);
    ASSERT_LE(v, 1);
    sum += v;
  }
  EXPECT_NEAR(sum / double(out.size()), 0.25, 0.01);

  std::vector<float> over = {1.5f, -1.5f, 0.5f / 32768};
  out.resize(over.size());
  FloatToPcm16(over.data(), over.size(), out.data(), dither);
  EXPECT_EQ(out[0], 32767) << "clipped, not wrapped";
  EXPECT_EQ(out[1], -32768);
}

TEST_F(SoundFileDecoder, ClaimsItsExtensionsInAnyCaseAndOnlyTheWideWaves) {
  for (const char* name : {"a.flac", "B.FLAC", "c.aif", "d.AIFF", "e.aifc", "f.ogg", "g.Oga", "h.opus"})
    EXPECT_EQ(decoder.CanOpen(dir.File(name).c_str()), 1) << name;
  for (const char* name : {"a.mp3", "b.m3u", "noext", "c.flac.txt"})
    EXPECT_EQ(decoder.CanOpen(dir.File(name).c_str()), 0) << name;
  auto wav = [&](const std::string& name, const WavLayout& layout) {
    WriteFileBytes(dir.File(name), MakeWav(layout));
    return decoder.CanOpen(dir.File(name).c_str());
  };
  EXPECT_EQ(wav("cd.wav", {}), 0) << "the WAV decoder's";
  EXPECT_EQ(wav("mp3.wav", {.formatTag = 85}), 0) << "the MPEG decoder's";
  EXPECT_EQ(wav("pcm24.WAV", {.bits = 24}), 1);
  EXPECT_EQ(wav("float.wav", {.formatTag = 3, .bits = 32}), 1);
  EXPECT_EQ(wav("quad.wav", {.channels = 4}), 1);
}

TEST_F(SoundFileDecoder, TitleComesFromTheTagsElseNone) {
  const std::string pcm = PcmBytes(DitheredSine(440, 48000, 4800, 0.25, 2));
  WriteFileBytes(dir.File("named.aiff"), MakeAiff(pcm, 2, 48000, "Aiff Name"));
  WriteFileBytes(dir.File("plain.aiff"), MakeAiff(pcm, 2, 48000));
  const std::vector<std::pair<std::string, const char*>> cases = {
      {dir.File("named.aiff"), "Aiff Name"},
      {Encoded("tagged.flac", 0.5, "Flac Title"), "Flac Title"},
      {Encoded("tagged.ogg", 0.5, "Vorbis Title"), "Vorbis Title"},
      {dir.File("plain.aiff"), nullptr},
      {Encoded("plain.flac", 0.5), nullptr},
  };
  for (const auto& [path, title] : cases) {
    ASSERT_EQ(decoder.Open(path.c_str(), 0), 0) << path;
    if (title)
      EXPECT_STREQ(decoder.GetTitle(), title) << path;
    else
      EXPECT_EQ(decoder.GetTitle(), nullptr) << path;
  }
}

// 8- and 24-bit, float, and more than two channels all come out as 16-bit
// PCM of at most two channels at the file's own rate.
TEST_F(SoundFileDecoder, EveryFormatComesOutAsSixteenBitMonoOrStereoAtItsRate) {
  struct Case {
    WavLayout layout;
    uint16_t channels;
  };
  const std::vector<Case> cases = {
      {{.channels = 1, .rate = 96000, .bits = 24, .data = std::string(96000 * 3, '\1')}, 1},
      {{.channels = 6, .rate = 192000, .bits = 16, .data = std::string(192000 * 12, '\1')}, 2},
      {{.formatTag = 3, .channels = 2, .rate = 44100, .bits = 32, .data = std::string(44100 * 8, '\0')}, 2},
  };
  for (const Case& c : cases) {
    WriteFileBytes(dir.File("wide.wav"), MakeWav(c.layout));
    ASSERT_EQ(decoder.Open(dir.File("wide.wav").c_str(), 0), 0) << GetLastErrorText();
    EXPECT_EQ(decoder.Format.wBitsPerSample, 16);
    EXPECT_EQ(decoder.Format.nChannels, c.channels);
    EXPECT_EQ(decoder.Format.nSamplesPerSec, c.layout.rate);
    EXPECT_EQ(decoder.Format.nBlockAlign, c.channels * 2);
    EXPECT_EQ(decoder.Duration, 1000u);
  }
}

// Opus decodes at 48 kHz whatever the source's rate; the pre-skip and the
// end trim are the library's to get right.
TEST_F(SoundFileDecoder, OpusLengthIsTheSourcesWithinATenthOfAPercent) {
  std::string source = dir.File("source44.wav");
  WriteFileBytes(source, MakeWav({.rate = 44100, .data = PcmBytes(DitheredSine(1000, 44100, 44100 * 5, 0.25, 2))}));
  ASSERT_TRUE(Encode(source, dir.File("sine.opus")));
  ASSERT_EQ(decoder.Open(dir.File("sine.opus").c_str(), 0), 0) << GetLastErrorText();
  EXPECT_NEAR(decoder.Duration, 5000, 5);
  std::vector<char> buffer(decoder.BlockSize * 64);
  unsigned got = 0;
  uint64_t blocks = 0;
  do {
    ASSERT_EQ(decoder.Decode(buffer.data(), 64, &got), 0);
    blocks += got;
  } while (got == 64);
  EXPECT_NEAR(double(blocks * TOzoSNDTAG::kBlockFrames) / decoder.Format.nSamplesPerSec, 5.0,
              5.0 * 0.001 + double(TOzoSNDTAG::kBlockFrames) / decoder.Format.nSamplesPerSec);
}

// A stream cut short may leave its length unknown to the library ("as many
// frames as can be"): it is measured, never taken for a 49-day song.
TEST_F(SoundFileDecoder, AStreamCutShortIsMeasuredNotTakenAsEndless) {
  const std::string bytes = ReadFileBytes(Encoded("whole.ogg", 2));
  WriteFileBytes(dir.File("cut.ogg"), bytes.substr(0, bytes.size() / 2));
  if (decoder.Open(dir.File("cut.ogg").c_str(), 0) == 0)
    EXPECT_LE(decoder.Duration, 2000u);
  else
    EXPECT_THAT(GetLastErrorText(), ::testing::HasSubstr("No audio in file"));
}

// Empty, cut short in the header, and garbage behind the right first bytes.
TEST_F(SoundFileDecoder, UnreadableFilesOfEachTypeFailWithTheLibrarysReason) {
  const std::string pcm = PcmBytes(DitheredSine(440, 48000, 48000, 0.25, 2));
  WriteFileBytes(dir.File("good.aiff"), MakeAiff(pcm, 2, 48000));
  const std::vector<std::string> goods = {Encoded("good.flac", 1), Encoded("good.ogg", 1), Encoded("good.opus", 1),
                                          dir.File("good.aiff")};
  for (const std::string& good : goods) {
    const std::string bytes = ReadFileBytes(good);
    const std::string ext = good.substr(good.rfind('.'));
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"empty", ""}, {"truncated", bytes.substr(0, 20)}, {"corrupt", bytes.substr(0, 4) + PatternBytes(4000)}};
    for (const auto& [what, content] : bad) {
      const std::string path = dir.File(what + ext);
      WriteFileBytes(path, content);
      EXPECT_EQ(decoder.Open(path.c_str(), 0), -1) << path;
      EXPECT_EQ(decoder.Opened, 0);
      EXPECT_THAT(GetLastErrorText(),
                  MatchesRegex("Sound file player: Can't open file \\[.+\\] \\(OzoSND\\.cpp [0-9]+\\)"))
          << path;
    }
  }
}
