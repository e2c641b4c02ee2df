// The song engine heard through the capture device: what is heard after
// opening, positioning and returning to the cue, and how the reported
// position follows it, period by period; the search with its timed loop in
// real time, driven by a player-like thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "audio/decoders/OzoWAV.h"
#include "deck/VySong.h"
#include "foundation/OzoThread.h"
#include "platform/kernel/KernelThread.h"
#include "platform/sound/PacedBackend.h"
#include "support/AudioOutput.h"
#include "support/HeardFrames.h"
#include "support/SongPlayer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

using namespace std::chrono;

namespace {
constexpr uint32_t kRate = 48000;
constexpr uint32_t kFramesPerMs = kRate / 1000;

// File position in ms of a heard frame number.
double FileMs(uint32_t frameNumber) { return double(frameNumber - 1) / kFramesPerMs; }

// A numbered song opened on the output the test chose; Finish reads back
// what was heard.
struct CapturedSong : ::testing::Test {
  TempDir dir;
  TOzoWAVTAG wav;
  std::unique_ptr<TVySongTAG> engine = std::make_unique<TVySongTAG>();
  TVySongTAG& song = *engine;

  void OpenNumbered() {
    song.AddPlayer(&wav);
    std::string path = dir.File("numbered.wav");
    WriteFileBytes(path, MakeWav({.rate = kRate, .data = NumberedFrames(20 * kRate)}));
    ASSERT_EQ(song.Open(path.c_str(), 1, 0), 0);
  }
  Capture Finish() {
    engine.reset();  // closes the output device and with it the capture
    Capture capture;
    EXPECT_TRUE(ReadCapture(dir.File("capture.wav"), &capture));
    return capture;
  }
};

// Played in real time by a player-like thread.
struct HeardSong : CapturedSong {
  ScopedAudioOutput audio{ScopedAudioOutput::Capture(dir.File("capture.wav"))};
  std::unique_ptr<TOzoThreadTAG> player;

  void SetUp() override {
    OpenNumbered();
    player = StartSongPlayer(song);
    song.Buffer().WaitRestarted();  // as the deck does before playing at once
  }
  Capture Finish() {
    player.reset();
    return CapturedSong::Finish();
  }
};

// On a capture mixed on demand, serviced before every period as the player
// would: what is heard is known to the frame, without a clock.
struct SteppedSong : CapturedSong {
  ScopedAudioOutput audio{ScopedAudioOutput::SteppedCapture(dir.File("capture.wav"))};
  size_t mixed = 0;  // capture frames so far

  void SetUp() override { OpenNumbered(); }
  void PlayFor(double ms) {
    for (double done = 0; done < ms; done += double(kPeriod) / kFramesPerMs) {
      song.Service();
      ASSERT_TRUE(PacedBackend::MixCapturedPeriods(1));
      mixed += kPeriod;
    }
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
    samples.push_back({mixed - kPeriod, song.GetPosition()});  // the last period mixed is being heard
    if (tick == 20) song.SetPosition(9000);
  }
  Capture capture = Finish();
  for (const auto& [frame, position] : samples) {
    ASSERT_LT(frame, capture.left.size());
    EXPECT_NEAR(double(position), FileMs(Heard(capture, frame)), 1.0) << "at capture frame " << frame;
  }
}

TEST_F(HeardSong, SearchWithTheSnippetLoopIsHeardAtEachReachedPosition) {
  song.Play();
  Wait(0.2);
  song.HoldLoop();
  song.StartForwardScan(true);
  Wait(1.8);
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
