// The streaming buffer heard through a capture mixed on demand, refilled
// before every period and timed by the capture's clock: what is heard is
// known to the frame, whatever the load of the machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "BufferFixture.h"
#include "deck/VyControlDSP.h"
#include "deck/VyVMetterDSP.h"
#include "platform/sound/PacedBackend.h"
#include "support/AudioAnalysis.h"
#include "support/HeardFrames.h"

namespace {
constexpr uint32_t kRate = 48000;
constexpr uint32_t kPeriod = PacedBackend::kCapturePeriodFrames;

struct SteppedStream : StreamingBuffer {
  void SetUp() override { OpenOutput("steps"); }
  Capture Finish() {
    stepped_->SetCycle(nullptr);
    buffer_.Release();
    device_.Close();
    return stepped_->Read();
  }
  void LoadNumbered(uint32_t seconds) { Load({.rate = kRate, .data = NumberedFrames(seconds * kRate)}); }
  void PlayOnePeriod() { PlayFor(1); }  // the least it mixes
};
}  // namespace

// Ten seconds are heard at once, whatever the load.
TEST_F(SteppedStream, TenSecondsComeOutSampleExactAcrossEveryWrapOfTheRing) {
  LoadNumbered(12);
  buffer_.RequestRestart(0, 1);
  PlayFor(10010);
  EXPECT_GE(RunFromFirstFrame(Finish()), size_t(10 * kRate)) << "every frame, in order, for ten seconds";
}

TEST_F(SteppedStream, RestartContinuesAtTheRequestedPositionOnceItsFirstChunkIsIn) {
  LoadNumbered(4);
  buffer_.RequestRestart(0, 1);
  PlayFor(300);
  buffer_.RequestRestart(2000, 1);
  buffer_.Refill();
  buffer_.WaitRestarted();  // carried out: returns at once
  buffer_.Enter();
  EXPECT_FALSE(buffer_.RestartPending);
  EXPECT_GE(buffer_.WriteCursor, config_.chunkBytes) << "the first chunk is in place";
  buffer_.Leave();
  const size_t restarted = stepped_->CaptureFrames();
  PlayFor(300);
  Capture capture = Finish();

  EXPECT_EQ(RunFromFirstFrame(capture), restarted) << "heard from the first frame until the restart";
  EXPECT_EQ(Heard(capture, restarted), 2 * kRate + 1) << "then frame 96000 of the file at once, no skip for WAV";
  EXPECT_GE(RunLength(capture, restarted), size_t(kRate / 4));
}

// Each pass of the held loop is heard for its 200 ms, then 50 ms of silence
// that the refills wait out by the clock: asked when to come back, the
// buffer names the end of the pause rather than holding its lock through it.
TEST_F(SteppedStream, HeldLoopRepeatsTwoHundredMillisecondsWithFiftyOfSilence) {
  LoadNumbered(4);
  buffer_.RequestRestart(0, 1);
  PlayFor(200);
  buffer_.HoldLoop(1000);
  std::vector<uint32_t> pauseDueMs;  // what the buffer asked for, once per pause
  bool wasPaused = false;
  for (uint32_t period = 0; period < 1200 * kRate / 1000 / kPeriod; ++period) {
    PlayOnePeriod();
    buffer_.Enter();
    const bool paused = buffer_.LoopPaused;
    buffer_.Leave();
    if (paused && !wasPaused) pauseDueMs.push_back(buffer_.RefillDueMs(1000));
    wasPaused = paused;
  }
  const size_t released = stepped_->CaptureFrames();
  buffer_.ReleaseLoop();
  PlayFor(600);
  Capture capture = Finish();

  size_t at = FirstSound(capture);
  at = FirstSound(capture, at + RunLength(capture, at));  // past the plain start
  int passes = 0;
  while (at < released) {
    ASSERT_EQ(Heard(capture, at), kRate + 1) << "every pass starts at the loop start";
    const size_t run = RunLength(capture, at);
    const size_t next = FirstSound(capture, at + run);
    ASSERT_LT(next, capture.left.size());
    const double heardMs = run * 1000.0 / kRate, silentMs = (next - at - run) * 1000.0 / kRate;
    if (next - run == at && at + run >= released) break;  // the pass the release cut
    ++passes;
    EXPECT_GE(heardMs, 200.0) << "pass " << passes;
    EXPECT_LE(heardMs, 200.0 + 2 * kPeriod * 1000.0 / kRate) << "pass " << passes << ": a refill late at most";
    EXPECT_NEAR(silentMs, 50.0, kPeriod * 1000.0 / kRate) << "pass " << passes;
    at = next;
  }
  EXPECT_GE(passes, 4);
  ASSERT_LT(at, capture.left.size());
  const size_t resumed = FirstSound(capture, released);
  EXPECT_EQ(Heard(capture, resumed), kRate + 1) << "released: back to the loop start at once";
  EXPECT_GE(RunLength(capture, resumed), size_t(kRate / 2)) << "and plays on from there";
  ASSERT_EQ(pauseDueMs.size(), size_t(passes));
  for (uint32_t due : pauseDueMs) {
    EXPECT_GT(due, 0u);
    EXPECT_LE(due, 50u) << "the refill is due when the pause ends";
  }
}

TEST_F(SteppedStream, LevelsRiseAndFallWhereTheToneIsHeard) {
  std::string pcm(size_t(3 * kRate) * 4, '\0');
  std::vector<int16_t> tone = DitheredSine(1000, kRate, kRate, 1.0, 2);
  std::memcpy(&pcm[size_t(kRate) * 4], tone.data(), tone.size() * 2);
  Load({.rate = kRate, .data = pcm});
  TVyVMetterDSPTAG meter;
  buffer_.AddProcessor(&meter);
  ASSERT_EQ(buffer_.Configure(&device_, &decoder_.Format, &config_, ringBytes_), 0);
  buffer_.RequestRestart(0, 1);
  struct Reading {
    double heardSeconds;
    int level;
  };
  std::vector<Reading> readings;
  for (int i = 0; i < 80; ++i) {
    PlayFor(37);  // seven periods, as the display looks
    int levels[2];
    meter.GetLevels(levels);
    readings.push_back({buffer_.GetPlayCursor() / (4.0 * kRate), std::max(levels[0], levels[1])});
  }
  Finish();
  double rise = -1, fall = -1;
  for (const Reading& r : readings) {
    if (rise < 0 && r.level > 128) rise = r.heardSeconds;
    if (rise >= 0 && fall < 0 && r.level < 16) fall = r.heardSeconds;
    if (rise < 0) {
      EXPECT_LT(r.level, 16) << "at " << r.heardSeconds;
    } else if (fall < 0) {
      EXPECT_GT(r.level, 200) << "at " << r.heardSeconds;
    }
  }
  EXPECT_NEAR(rise, 1.0, 0.06 + 0.037);
  EXPECT_NEAR(fall, 2.0, 0.06 + 0.037);
  RecordProperty("rise_ms_after_heard", std::to_string((rise - 1.0) * 1000));
  RecordProperty("fall_ms_after_heard", std::to_string((fall - 2.0) * 1000));
}

TEST_F(SteppedStream, EndIsReachedInTheFirstBlockPastTheLastHeardFrameEvenAfterManyRestarts) {
  const uint32_t audioBytes = 96000 + 3 * 128;  // not a whole number of 40-frame blocks
  Load({.rate = kRate, .data = PatternBytes(audioBytes)});
  TVyControlDSPTAG marker;
  buffer_.AddProcessor(&marker);
  ASSERT_EQ(buffer_.Configure(&device_, &decoder_.Format, &config_, ringBytes_), 0);
  for (int restart = 0; restart < 3000; ++restart) {
    buffer_.RequestRestart(0, 0);
    buffer_.Refill();
  }
  buffer_.RequestRestart(0, 1);
  const uint32_t firstPaddingBlock = (audioBytes + 159) / 160 * 160;
  uint32_t before = 0, at = 0;
  for (uint32_t period = 0; period < kRate / kPeriod; ++period) {  // a second
    PlayOnePeriod();
    const uint32_t cursor = buffer_.GetPlayCursor();
    if (marker.EndReached()) {
      at = cursor;
      break;
    }
    before = cursor;
  }
  Finish();
  RecordProperty("end_reported_bytes_past_audio", std::to_string(int(at) - int(audioBytes)));
  EXPECT_LT(before, firstPaddingBlock) << "not reported while audio was heard";
  EXPECT_GE(at, firstPaddingBlock);
  EXPECT_LT(at, firstPaddingBlock + 160 + 256 * 4) << "within a block, plus the cursor's step of one period";
}
