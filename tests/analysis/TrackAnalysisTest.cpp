// Track analysis on generated material whose truth is known: dance beats
// made by the fixture script, and sines whose loudness follows from their
// level.
#include "analysis/TrackAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "support/AudioAnalysis.h"
#include "support/Mp3Fixtures.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
std::optional<TTrackAnalysis> Analyse(const std::string& path, const TOverviewProgress& progress = {}) {
  const std::atomic<bool> cancelled{false};
  return AnalyseTrack(path, progress, cancelled);
}

std::string SineWav(const TempDir& dir, double hz, double amplitude) {
  const std::string path = dir.File("sine.wav");
  WriteFileBytes(path, MakeWav({.data = PcmBytes(DitheredSine(hz, 44100, 10 * 44100, amplitude, 2))}));
  return path;
}
}  // namespace

// As the fixture script makes them: off-beat hi-hats and bass, a quiet intro,
// one tempo above 160 and not a whole number, MP3 and FLAC.
TEST(TrackAnalysis, FindsTheTempoAndTheFirstBeatOfDanceBeats) {
  struct TBeat {
    const char* file;
    double bpm, firstBeatSeconds;
  };
  for (const TBeat& beat : {TBeat{"beat85.mp3", 85, 0.313}, TBeat{"beat128.flac", 128, 0.2},
                            TBeat{"beat174.mp3", 174.3, 0.05}}) {
    const std::optional<TTrackAnalysis> analysis = Analyse(Mp3Fixture(beat.file));
    ASSERT_TRUE(analysis) << beat.file;
    EXPECT_NEAR(analysis->bpm, beat.bpm, 0.01) << beat.file;
    EXPECT_NEAR(analysis->firstBeatSeconds, beat.firstBeatSeconds, 0.010) << beat.file;
  }
}

// Hi-hats alone: the beat is where they are, half a beat after the grid the
// fixture script counts from.
TEST(TrackAnalysis, FindsTheTempoOfABeatWithoutAKick) {
  const std::optional<TTrackAnalysis> analysis = Analyse(Mp3Fixture("hats122.flac"));
  ASSERT_TRUE(analysis);
  EXPECT_NEAR(analysis->bpm, 122.5, 0.01);
  EXPECT_NEAR(analysis->firstBeatSeconds, 0.2 + 30 / 122.5, 0.010);
}

// Both channels at -20 dBFS: a mean square of 0.005 each, 0.01 together,
// and K-weighting's gain at 1 kHz is what the scale's -0.691 dB takes back:
// -20.0 LUFS. A sine of ten samples a period has its crests halfway between
// two samples, at 0.951 of the crest: the true peak lies 0.44 dB above the
// loudest sample.
TEST(TrackAnalysis, MeasuresLoudnessAndTruePeakOfSines) {
  TempDir dir;
  const std::optional<TTrackAnalysis> sine = Analyse(SineWav(dir, 1000, 0.1));
  ASSERT_TRUE(sine);
  EXPECT_NEAR(sine->loudnessLufs, -20.0, 0.1);
  const std::optional<TTrackAnalysis> between = Analyse(SineWav(dir, 44100 / 10.0, 0.5));
  ASSERT_TRUE(between);
  EXPECT_NEAR(between->truePeakDb, 20 * std::log10(0.5), 0.1);
}

// The analysis takes only a transform from its library: neither it nor the
// program around it maps the codec libraries (tens of MiB) that only a media
// file reader needs, and the FFT library beneath the transform is gone once
// the analysis has ended.
TEST(TrackAnalysis, LeavesNoCodecOrTransformLibraryMapped) {
  TempDir dir;
  ASSERT_TRUE(Analyse(SineWav(dir, 1000, 0.1)));
  std::ifstream maps("/proc/self/maps");
  const std::string mapped{std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>()};
  EXPECT_EQ(mapped.find("libavcodec"), std::string::npos);
  EXPECT_EQ(mapped.find("libfftw3f"), std::string::npos);
}

TEST(TrackAnalysis, ReportsOverviewColumnsAsTheyFill) {
  std::vector<size_t> reported;
  float firstPeak = -1;
  const std::optional<TTrackAnalysis> analysis =
      Analyse(Mp3Fixture("beat128.flac"), [&](const std::vector<TOverviewColumn>& columns, size_t known) {
        if (reported.empty()) firstPeak = columns[0].peak;
        reported.push_back(known);
      });
  ASSERT_TRUE(analysis);
  ASSERT_FALSE(reported.empty());
  EXPECT_LT(reported.front(), kOverviewColumns / 10);  // long before the end
  EXPECT_EQ(reported.back(), kOverviewColumns);
  // The quiet intro first; in the middle, within a beat's columns, a kick
  // at half of full scale.
  EXPECT_LT(firstPeak, 0.15f);
  ASSERT_EQ(analysis->overview.size(), kOverviewColumns);
  const auto middle = analysis->overview.begin() + kOverviewColumns / 2;
  const auto loudest = std::max_element(middle, middle + 20, [](auto& a, auto& b) { return a.peak < b.peak; });
  EXPECT_NEAR(loudest->peak, 0.5f, 0.05f);
}

TEST(TrackAnalysis, StopsSoonAfterACancel) {
  std::atomic<bool> cancelled{false};
  size_t reports = 0;
  const std::optional<TTrackAnalysis> analysis =
      AnalyseTrack(Mp3Fixture("beat85.mp3"), [&](const std::vector<TOverviewColumn>&, size_t) {
        ++reports;
        cancelled = true;
      }, cancelled);
  EXPECT_FALSE(analysis);
  EXPECT_EQ(reports, 1u);  // not another 50 columns' worth of decoding
}
