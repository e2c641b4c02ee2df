// A deck playing through JACK at 256-frame periods while another deck
// analyses ten tracks: every frame is heard, in order, without a gap.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "deck/DeckAnalysis.h"
#include "deck/VySystem.h"
#include "support/AudioAnalysis.h"
#include "support/AudioOutput.h"
#include "support/FixedAnalysis.h"
#include "support/HeardFrames.h"
#include "support/JackServer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kRate = 44100;  // the file's rate: every frame reaches the card as written
constexpr double kRecordSeconds = 60;
constexpr int kTracksAnalysed = 10;
constexpr double kTrackSeconds = 15;
}  // namespace

TEST(AnalysisUndisturbed, APlayingDeckIsHeardWholeWhileAnotherAnalysesTenTracks) {
  if (!HaveJack()) GTEST_SKIP() << "jackd is not installed";
  TempDir dir;
  ScopedEnvironment systemOutput{"VYS_AUDIO", ""};
  JackServer server{kRate};
  const std::string numbered = dir.File("numbered.wav");
  WriteFileBytes(numbered, MakeWav({.rate = kRate, .data = NumberedFrames(uint32_t(kRecordSeconds * kRate))}));
  std::vector<std::string> tracks;
  for (int i = 0; i < kTracksAnalysed; ++i) {
    tracks.push_back(dir.File("track" + std::to_string(i) + ".wav"));
    WriteFileBytes(tracks.back(), MakeWav({.rate = kRate, .data = PcmBytes(DitheredSine(
                                                                  110.0 * (i + 1), kRate, size_t(kTrackSeconds * kRate), 0.5, 2))}));
  }
  ASSERT_TRUE(server.Start()) << "JACK did not come up";
  JackRecorder card("vys-test-card", kRecordSeconds);
  TGuid cardId;
  ASSERT_TRUE(card.Running() && WaitUntil([&] { return FindOutputDevice(card.Device(), &cardId) > 0; }));
  TVySystemTAG playing;
  playing.Song.SetDevice(&cardId);
  ASSERT_EQ(playing.OpenFiles(numbered, 0), 0);  // plays when opened, by default

  TDeckAnalysis other(AnalyseTrack, dir.File("analysis.sqlite"));
  for (const std::string& track : tracks) {
    other.Start(track);
    ASSERT_TRUE(other.WaitFor(kAnalysisLimitMs));
    ASSERT_EQ(other.State(), TAnalysisState::done) << track;
  }
  const Capture capture = card.Recorded();
  ASSERT_LT(FirstSound(capture), capture.left.size()) << "the deck was heard";
  const size_t heardDuringAnalysis = capture.left.size() - FirstSound(capture);
  RecordProperty("heard_while_analysing_ms", std::to_string(1000 * heardDuringAnalysis / kRate));
  const size_t onTheirWay = kRate / 10;
  EXPECT_GE(RunFromFirstFrame(capture), heardDuringAnalysis - std::min(heardDuringAnalysis, onTheirWay))
      << "every frame heard in order while the tracks were analysed (the last few may still be on their way)";
}
