// What the deck does with a track's analysis, heard through the capture:
// the loudness correction, and a cache that cannot be used.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "deck/VySystem.h"
#include "foundation/OzoLog.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/Environment.h"
#include "support/FixedAnalysis.h"
#include "support/SteppedDeck.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kRate = 48000;

struct DeckAnalysis : ::testing::Test {
  TempDir dir;
  SteppedDeck deck{dir.File("capture.wav"), kRate};

  std::string Tone(const std::string& name) {
    WriteFileBytes(dir.File(name), MakeWav({.rate = kRate, .data = PcmBytes(DitheredSine(1000, kRate, 4 * kRate, 0.5, 2))}));
    return dir.File(name);
  }
  // Opens the track and lets its analysis end and be taken, as the display timer would.
  void OpenAnalysed(const std::string& path) {
    ASSERT_EQ(deck->OpenFiles(path, 0), 0);
    ASSERT_TRUE(deck->Analysis().WaitFor(kAnalysisLimitMs));
    deck->CheckEndOfTrack();
  }
  size_t Frames(double ms) const { return size_t(ms * kRate / 1000); }
};

double Db(double ratio) { return 20 * std::log10(ratio); }
}  // namespace

// A quiet track is raised only as far as its true peak allows; a loud one is
// lowered to the target. Switched on while playing, the change is heard at once.
TEST_F(DeckAnalysis, AutoGainBringsTheTrackToTheTargetBelowTheTruePeakCeiling) {
  struct Case {
    double lufs, truePeak, heardDb;
  } cases[] = {{-20.0, -3.0, +2.0}, {-8.0, -0.5, -6.0}};
  std::vector<std::pair<size_t, size_t>> switched;  // capture frames: the end of the track heard off, then on
  for (const Case& c : cases) {
    deck->Analysis().Use(FixedAnalysis({.loudnessLufs = c.lufs, .truePeakDb = c.truePeak}), dir.File("cache.sqlite"));
    deck->SetAutoGain(false, -14.0);
    OpenAnalysed(Tone("tone" + std::to_string(switched.size()) + ".wav"));
    deck.RunFor(300);
    const size_t off = deck.Player().CaptureFrames();
    deck->SetAutoGain(true, -14.0);
    deck.RunFor(300);
    switched.emplace_back(off, deck.Player().CaptureFrames());
  }
  Capture capture = deck.Finish();
  for (size_t i = 0; i < switched.size(); ++i) {
    const auto [off, on] = switched[i];
    const double before = Rms(capture.left, off - Frames(200), off);
    const double after = Rms(capture.left, on - Frames(200), on);
    EXPECT_NEAR(Db(after / before), cases[i].heardDb, 0.05) << cases[i].lufs << " LUFS, " << cases[i].truePeak << " dBTP";
  }
}

// A damaged cache file is told in the log and left alone: the track is
// analysed anyway, and it plays.
TEST_F(DeckAnalysis, CorruptCacheIsLoggedAndTheDeckPlaysAndAnalysesWithoutIt) {
  TempDir cacheHome;
  ScopedEnvironment cache("XDG_CACHE_HOME", cacheHome.Path());
  std::filesystem::create_directories(cacheHome.File("vy-system"));
  WriteFileBytes(cacheHome.File("vy-system/analysis.sqlite"), std::string(8192, '\x5a'));
  SetLogPath(dir.File("vys.log"));
  LogStart();
  deck->Analysis().Use(FixedAnalysis({.bpm = 128.0}));
  OpenAnalysed(Tone("tone.wav"));
  LogStop();
  EXPECT_EQ(deck->Analysis().State(), TAnalysisState::done);
  EXPECT_NE(ReadFileBytes(dir.File("vys.log")).find("AnalysisCache: cache " + cacheHome.File("vy-system/analysis.sqlite")),
            std::string::npos);
  ASSERT_EQ(deck->State, dsPlaying);
  deck.RunFor(300);
  const size_t now = deck.Player().CaptureFrames();
  Capture capture = deck.Finish();
  EXPECT_GT(Rms(capture.left, now - Frames(200), now), 0.3);
}

// What one deck analysed, another knows when it opens the track: it is not
// analysed again.
TEST(DeckAnalyses, ATrackAnalysedOnceIsKnownToTheNextDeckWithoutAnalysingIt) {
  TempDir dir;
  WriteFileBytes(dir.File("track.wav"), MakeWav({.data = PatternBytes(17640)}));
  std::atomic<int> analysed{0};
  auto counting = [&](const std::string& path, const TOverviewProgress& progress, const std::atomic<bool>& cancelled) {
    ++analysed;
    return FixedAnalysis({.bpm = 174.0})(path, progress, cancelled);
  };
  for (int deck = 0; deck < 2; ++deck) {
    TDeckAnalysis analysis(counting, dir.File("analysis.sqlite"));
    analysis.Start(dir.File("track.wav"));
    ASSERT_TRUE(analysis.WaitFor(kAnalysisLimitMs));
    ASSERT_TRUE(analysis.Result());
    EXPECT_EQ(analysis.Result()->bpm, 174.0);
  }
  EXPECT_EQ(analysed, 1);
}
