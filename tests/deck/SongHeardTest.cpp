// The song engine heard through the capture device, driven by a player-like
// thread: what is heard after opening, positioning, returning to the cue and
// searching, and how the reported position follows it.
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

struct HeardSong : ::testing::Test {
  TempDir dir;
  ScopedAudioOutput audio{ScopedAudioOutput::Capture(dir.File("capture.wav"))};
  TOzoWAVTAG wav;
  std::unique_ptr<TVySongTAG> engine = std::make_unique<TVySongTAG>();
  TVySongTAG& song = *engine;
  std::unique_ptr<TOzoThreadTAG> player;
  steady_clock::time_point openedBefore, openedAfter;

  void SetUp() override {
    song.AddPlayer(&wav);
    std::string path = dir.File("numbered.wav");
    WriteFileBytes(path, MakeWav({.rate = kRate, .data = NumberedFrames(20 * kRate)}));
    openedBefore = steady_clock::now();
    ASSERT_EQ(song.Open(path.c_str(), 1, 0), 0);
    openedAfter = steady_clock::now();
    player = StartSongPlayer(song);
    song.Buffer().WaitRestarted();  // as the deck does before playing at once
  }
  Capture Finish() {
    player.reset();
    engine.reset();  // closes the output device and with it the capture
    Capture capture;
    EXPECT_TRUE(ReadCapture(dir.File("capture.wav"), &capture));
    return capture;
  }
  // The capture frame heard at a moment: the device started within the Open.
  size_t FrameAt(steady_clock::time_point when) {
    auto opened = openedBefore + (openedAfter - openedBefore) / 2;
    return size_t(duration<double>(when - opened).count() * kRate);
  }
};
}  // namespace

TEST_F(HeardSong, PlayPositionAndCueAreHeardWhereTheyPoint) {
  song.Play();
  Wait(0.3);
  song.SetPosition(1234);  // sets the cue too
  Wait(0.3);
  song.CueFollowsPositioning = 0;
  song.SetPosition(5000);
  Wait(0.2);
  song.ReturnToCue();
  Wait(0.3);
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

TEST_F(HeardSong, ReportedPositionFollowsWhatIsHeard) {
  song.Play();
  struct Sample {
    steady_clock::time_point when;
    unsigned position;
  };
  std::vector<Sample> samples;
  steady_clock::time_point jumped;
  for (int i = 0; i < 40; ++i) {
    Wait(0.037);
    samples.push_back({steady_clock::now(), song.GetPosition()});
    if (i == 20) {
      song.SetPosition(9000);
      jumped = steady_clock::now();
    }
  }
  Capture capture = Finish();
  int compared = 0;
  for (const Sample& s : samples) {
    if (s.when > jumped - 30ms && s.when < jumped + 30ms) continue;  // the clock-to-capture match is a few ms off
    const size_t frame = FrameAt(s.when);
    if (frame >= capture.left.size()) continue;  // the device stopped within its last period
    const uint32_t heard = Heard(capture, frame);
    if (heard == 0) continue;  // the short gap of a restart
    EXPECT_NEAR(double(s.position), FileMs(heard), 50.0);
    ++compared;
  }
  EXPECT_GE(compared, 30);
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
