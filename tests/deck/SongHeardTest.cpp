// The song engine heard through a capture mixed on demand and serviced
// before every period, as the deck's player would: what is heard after
// opening, positioning and returning to the cue, how the reported position
// follows it, and the search with its timed loop, known to the frame.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/decoders/OzoWAV.h"
#include "deck/VySong.h"
#include "platform/sound/PacedBackend.h"
#include "support/HeardFrames.h"
#include "support/SongPlayer.h"
#include "support/SteppedPlayer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {
constexpr uint32_t kRate = 48000;
constexpr uint32_t kFramesPerMs = kRate / 1000;

// File position in ms of a heard frame number.
double FileMs(uint32_t frameNumber) { return double(frameNumber - 1) / kFramesPerMs; }

// A numbered song on a stepped capture; Finish reads back what was heard.
struct SteppedSong : ::testing::Test {
  TempDir dir;
  SteppedPlayer player{dir.File("capture.wav"), kRate};
  TOzoWAVTAG wav;
  std::unique_ptr<TVySongTAG> engine = std::make_unique<TVySongTAG>();
  TVySongTAG& song = *engine;

  void SetUp() override {
    ServiceEveryPeriod(player, song);
    song.AddPlayer(&wav);
    std::string path = dir.File("numbered.wav");
    WriteFileBytes(path, MakeWav({.rate = kRate, .data = NumberedFrames(20 * kRate)}));
    ASSERT_EQ(song.Open(path.c_str(), 1, 0), 0);
  }
  void PlayFor(double ms) { player.RunFor(ms); }
  Capture Finish() {
    player.SetCycle(nullptr);
    engine.reset();  // closes the output device and with it the capture
    return player.Read();
  }
  static constexpr uint32_t kPeriod = PacedBackend::kCapturePeriodFrames;
};
}  // namespace

TEST_F(SteppedSong, PlayPositionAndCueAreHeardWhereTheyPoint) {
  song.Play();
  PlayFor(300);
  song.SetPosition(1234);  // sets the cue too
  PlayFor(300);
  song.CueFollowsPositioning = 0;
  song.SetPosition(5000);
  PlayFor(200);
  song.ReturnToCue();
  PlayFor(300);
  Capture capture = Finish();

  size_t at = FirstSound(capture);
  ASSERT_LT(at, capture.left.size());
  EXPECT_EQ(Heard(capture, at), 1u) << "play after open starts at the first frame";
  std::vector<double> starts;  // file positions where each heard run begins
  for (; at < capture.left.size(); at = FirstSound(capture, at + RunLength(capture, at)))
    starts.push_back(FileMs(Heard(capture, at)));
  ASSERT_EQ(starts.size(), 4u);
  EXPECT_NEAR(starts[1], 1234, 1) << "a position is heard where it points";
  EXPECT_NEAR(starts[2], 5000, 1);
  EXPECT_NEAR(starts[3], 1234, 1) << "back at the cue";
}

// The position read after each display tick is the frame being heard then,
// before and after a jump.
TEST_F(SteppedSong, ReportedPositionFollowsWhatIsHeard) {
  song.Play();
  std::vector<std::pair<size_t, unsigned>> samples;  // (capture frame heard, position read)
  for (int tick = 0; tick < 40; ++tick) {
    PlayFor(37);
    samples.push_back({player.CaptureFrames() - kPeriod, song.GetPosition()});  // the last period mixed is being heard
    if (tick == 20) song.SetPosition(9000);
  }
  Capture capture = Finish();
  for (const auto& [frame, position] : samples) {
    ASSERT_LT(frame, capture.left.size());
    EXPECT_NEAR(double(position), FileMs(Heard(capture, frame)), 1.0) << "at capture frame " << frame;
  }
}

TEST_F(SteppedSong, SearchWithTheSnippetLoopIsHeardAtEachReachedPosition) {
  song.Play();
  PlayFor(200);
  song.HoldLoop();
  song.StartForwardScan(true);
  PlayFor(1800);
  song.StopScan();
  song.ReleaseLoop();
  Capture capture = Finish();

  std::vector<double> snippets;
  size_t at = FirstSound(capture);
  at = FirstSound(capture, at + RunLength(capture, at));  // past the plain start
  for (; at < capture.left.size(); at = FirstSound(capture, at + RunLength(capture, at)))
    snippets.push_back(FileMs(Heard(capture, at)));
  ASSERT_GE(snippets.size(), 6u);
  for (size_t i = 1; i < snippets.size(); ++i) {
    EXPECT_GE(snippets[i], snippets[i - 1]) << "the search moves forward";
  }
  EXPECT_GT(snippets.back(), snippets.front()) << "and gets somewhere";
}
