// Where the audio kept after a seek comes from in the source signal, for
// every MPEG flavour: the position shown is the position heard.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "audio/decoders/OzoMP3.h"
#include "foundation/OzoError.h"
#include "support/AudioAnalysis.h"
#include "support/Mp3Fixtures.h"

namespace {
constexpr unsigned kToleranceMs = 5;
constexpr unsigned kExcerptMs = 100;  // what LocateLanding compares
constexpr double kSameWaveform = 0.9;

struct Flavour {
  const char* file;
  const char* signal;
  unsigned soundFromMs = 0;  // the signal's silent lead-in
};

void PrintTo(const Flavour& f, std::ostream* out) { *out << f.file; }

std::string SeekAndDecode(TOzoMP3TAG& mp3, unsigned ms, unsigned bytesAfterSkip, unsigned* skip) {
  if (mp3.Seek(ms, skip) != 0) return "";
  std::string pcm(size_t((*skip + bytesAfterSkip) / mp3.BlockSize + 1) * mp3.BlockSize, '\0');
  unsigned decoded = 0;
  mp3.Decode(pcm.data(), unsigned(pcm.size() / mp3.BlockSize), &decoded);
  return pcm;
}

class Mp3SeekLanding : public ::testing::TestWithParam<Flavour> {};
}  // namespace

TEST_P(Mp3SeekLanding, FirstSoundAfterASeekIsTheTarget) {
  const Flavour& f = GetParam();
  const std::vector<float> source = FixtureSignal(f.signal);
  ASSERT_FALSE(source.empty()) << f.signal;
  for (unsigned flags : {0u, kOpenExactLength}) {
    TOzoMP3TAG mp3;
    ASSERT_EQ(mp3.Open(Mp3Fixture(f.file).c_str(), flags), 0) << GetLastErrorText();
    const uint32_t rate = mp3.Format.nSamplesPerSec;
    const unsigned lastMs = mp3.Duration - 1000;
    for (unsigned ms : {f.soundFromMs, 10000u, 30000u, mp3.Duration / 2, lastMs}) {
      if (ms < f.soundFromMs || ms > lastMs) continue;
      SCOPED_TRACE(std::string(flags ? "exact" : "fast") + " open, " + std::to_string(ms) + " ms");
      unsigned skip = 0;
      const std::string pcm = SeekAndDecode(mp3, ms, kExcerptMs * mp3.Format.nAvgBytesPerSec / 1000, &skip);
      ASSERT_FALSE(pcm.empty()) << GetLastErrorText();
      const Landing landing = LocateLanding(source, FirstChannel(pcm, mp3.Format.nChannels, skip), 0, ms, rate);
      ASSERT_GT(landing.correlation, kSameWaveform) << "not found near the target";
      RecordProperty(std::string(f.file) + (flags ? "_exact_" : "_fast_") + std::to_string(ms),
                     std::to_string(landing.lateMs));
      EXPECT_NEAR(landing.lateMs, 0, kToleranceMs);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Flavours, Mp3SeekLanding,
                         ::testing::Values(Flavour{"cbr128.mp3", "s44.wav"}, Flavour{"cbr320.mp3", "s44_40.wav"},
                                           Flavour{"id3v2_large.mp3", "s44.wav"},
                                           Flavour{"mpeg1_48k.mp3", "s48_40.wav"}, Flavour{"mpeg2_mono.mp3", "m22.wav"},
                                           Flavour{"mpeg25.mp3", "m8.wav"}, Flavour{"mpeg25_11k.mp3", "m11_40.wav"},
                                           Flavour{"layer2.mp2", "s44.wav"}, Flavour{"layer2_22k.mp2", "s22_40.wav"},
                                           Flavour{"vbr_xing.mp3", "vbr.wav", 2000},
                                           Flavour{"vbr_bare.mp3", "s44_40.wav"}),
                         [](const ::testing::TestParamInfo<Flavour>& info) {
                           std::string name = info.param.file;
                           for (char& c : name)
                             if (c == '.') c = '_';
                           return name;
                         });

// Without a header the position of a VBR stream is an estimate, but a CUE
// return must replay the very sample it replayed before.
TEST(Mp3SeekReplay, SeekingTwiceToOneMomentOfAnUncountedVbrStreamGivesTheSameAudio) {
  TOzoMP3TAG mp3;
  ASSERT_EQ(mp3.Open(Mp3Fixture("vbr_bare.mp3").c_str(), 0), 0) << GetLastErrorText();
  unsigned first = 0, again = 0, elsewhere = 0;
  const std::string cue = SeekAndDecode(mp3, 12345, 2 * mp3.BlockSize, &first);
  SeekAndDecode(mp3, 23456, 2 * mp3.BlockSize, &elsewhere);
  const std::string back = SeekAndDecode(mp3, 12345, 2 * mp3.BlockSize, &again);
  ASSERT_EQ(first, again);
  ASSERT_FALSE(cue.empty());
  EXPECT_TRUE(cue.substr(first) == back.substr(again));
}
